// The installer's single way out. Whatever happens, the process ends with exit status 0: on a failure
// after the message and "Installation terminated.", on a cancel after that line alone.
#pragma once

namespace driver {

// Writes `message` and a line feed (when not null), then the termination line, and exits.
[[noreturn]] void error(const char* message);

// Writes `message`, " - " and the system's text for `errnum` (when errnum is not 0 and has a text), " " and
// `tag` (when not null), a line feed and the termination line, and exits.
[[noreturn]] void error_errno(const char* message, const char* tag, int errnum);

// Closes the installer's own file and exits with status 0, writing nothing.
[[noreturn]] void exit_installer();

}  // namespace driver
