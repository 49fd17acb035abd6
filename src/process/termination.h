// The installer's single way out. A failure ends after its message and "Installation terminated.", a
// cancel after that line alone. The exit status is 0 on every path unless the vendor's settings ask for
// the conventional ones (payload::exit_status): 1 after a failure, 2 after a cancel or a quit.
#pragma once

namespace process {

// Each first writes what is held back for standard error (held_output.h).

// Writes `message` and a line feed (when not null), then the termination line, and exits: a failure,
// or a cancel when `message` is null.
[[noreturn]] void error(const char* message);

// Writes `message`, then " - " and the system's text for `errnum` when errnum is not 0
// (payload/error_text.h), then " " and `tag` when not null, a line feed and the termination line, and
// exits: always a failure.
[[noreturn]] void error_errno(const char* message, const char* tag, int errnum);

// Closes the installer's own file and exits as after a cancel, writing nothing.
[[noreturn]] void exit_installer();

// Closes the installer's own file and the log and exits with `status` as it is: the ends of the
// conventional command line's reports and usage errors, which write their own texts.
[[noreturn]] void end_with_status(int status);

}  // namespace process
