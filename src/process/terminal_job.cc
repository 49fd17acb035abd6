#include "process/terminal_job.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace process {

int unless_in_background(int fd, int (*operation)(int fd)) {
    sigset_t ttou;
    sigset_t saved;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    (void)pthread_sigmask(SIG_BLOCK, &ttou, &saved);
    // tcgetpgrp fails (ENOTTY) on a terminal that is not the controlling one.
    const pid_t foreground = tcgetpgrp(fd);
    const bool background = foreground != -1 && foreground != getpgrp();
    const int result = background ? -1 : operation(fd);
    const int operation_errno = errno;
    (void)pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    errno = operation_errno;
    return result;
}

}  // namespace process
