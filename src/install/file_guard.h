// The file in progress: the entry being written, under a temporary name in its own directory until it is
// whole, then renamed over whatever stands at its path. The path therefore holds the old file or the new
// one, never a part, and nothing there (a link, a hard link, a fifo, a device) is ever opened or written
// through. A write, close or rename that fails removes the temporary before the failure is reported, and
// so does every signal that ends the installer (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM,
// SIGUSR1, SIGUSR2) before it ends the process as it would have; SIGXFSZ is ignored meanwhile, so that a
// file beyond the size limit is a failed write. A temporary that outlives its installer (SIGKILL, a power
// loss) is removed by the next installation that writes into its directory.
#pragma once

#include <signal.h>

#include <cstdint>

namespace install {

// Installs the removing handler for each guarded signal whose action is the default one (a SIGHUP ignored
// under nohup stays ignored), remembering what each had. Called once as the installation starts.
void start_file_guard();

// Removes the file in progress, if any, and puts back what start_file_guard found. Every way out of the
// installation passes here; does nothing when the guard is not started.
void end_file_guard();

// Holds the guarded signals on the calling thread until release_guarded_signals(saved). A thread made
// in between inherits the hold for good, so that the signals always reach the thread that knows the
// file in progress.
void hold_guarded_signals(sigset_t* saved);
void release_guarded_signals(const sigset_t* saved);

// Creates the file in progress in `directory` under a fresh temporary name (mode 0666 under the umask,
// never through a link), with no moment in which a signal could find it made but unknown. The descriptor,
// or -1 with errno as the creation left it.
int open_file_in_progress(int directory);

// Creates the link in progress in `directory` under a fresh temporary name, with `target` as its text
// and, unless `mtime` is 0, that time (whether it takes does not matter). False with errno when the
// link cannot be made; place_file_in_progress then gives it its name.
bool make_link_in_progress(int directory, const char* target, std::int32_t mtime);

// Closes the file in progress; `written` says whether all its bytes went out. A file not written whole,
// or whose close fails, is removed. True when it was written and closed whole; else errno is the failed
// write's (as the caller left it) or the close's.
bool close_file_in_progress(int file, bool written);

// Renames the closed file in progress to `name` in its directory, replacing whatever stands there but a
// directory. False, the temporary removed, with the rename's errno when that fails.
bool place_file_in_progress(const char* name);

// Removes the temporaries that installers no longer running left in `directory`.
void remove_stale_temporaries(int directory);

}  // namespace install
