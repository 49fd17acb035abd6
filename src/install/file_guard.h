// The file in progress: the installed file that is open and not yet written whole. A write or close
// that fails removes it before the failure is reported, and so does SIGINT, SIGTERM or SIGHUP during the
// installation before the signal ends the process as it would have: no half-written file is ever left
// looking like an installed one. Files closed whole stay, whatever comes after them.
#pragma once

#include <signal.h>

namespace install {

// Installs the removing handler for each guarded signal that is not ignored (a SIGHUP ignored under
// nohup stays ignored), remembering what each had. Called once as the installation starts.
void start_file_guard();

// Puts back what start_file_guard found and forgets the file in progress, which then stays as it is.
// Every way out of the installation passes here; does nothing when the guard is not started.
void end_file_guard();

// Holds the guarded signals on the calling thread until release_guarded_signals(saved). A thread made
// in between inherits the hold for good, so that the signals always reach the thread that knows the
// file in progress.
void hold_guarded_signals(sigset_t* saved);
void release_guarded_signals(const sigset_t* saved);

// Opens `path` for writing, created (mode 0666 under the umask) or truncated, the opened file becoming
// the file in progress with no moment in which a signal could find it open but unknown. The descriptor,
// or -1 with errno as open left it.
int open_file_in_progress(const char* path);

// Closes the file in progress; `written` says whether all its bytes went out. A file not written whole,
// or whose close fails, is removed; a file written whole stays even when a signal comes before its close.
// True when it was written and closed whole; else errno is the failed write's (as the caller left it) or
// the close's.
bool close_file_in_progress(int file, bool written);

}  // namespace install
