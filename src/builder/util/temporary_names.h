// Temporary names that must not outlive the process: the half-written files of build and extract, and
// the earlier OUTPUT kept while a new one is put in place. A handler for the signals that can stop either
// command (SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE and SIGXFSZ) removes every name registered here and
// then lets the signal end the process as it would have. SIGKILL cannot be caught: only a file without a
// name (O_TMPFILE, output_file.h) survives that.
#pragma once

#include <csignal>

namespace builder {

// Holds back those signals while it lives: names are registered, renamed and removed only under one, so
// that the handler never meets a name that is half changed.
class signal_hold {
  public:
    signal_hold();
    ~signal_hold();
    signal_hold(const signal_hold&) = delete;
    signal_hold& operator=(const signal_hold&) = delete;

  private:
    sigset_t saved_;
};

// Registers `name` relative to the directory `dir_fd` (AT_FDCWD for a path) for removal by a signal; the
// first call installs the handler. `name` and `dir_fd` must stay valid until forget_temporary(name).
// Call both under a signal_hold.
void remember_temporary(int dir_fd, const char* name);
void forget_temporary(const char* name);

}  // namespace builder
