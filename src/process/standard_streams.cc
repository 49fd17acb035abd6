#include "process/standard_streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace process {

void secure_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open returns the lowest free descriptor, which is fd since every lower one is open by now. If
        // /dev/null is missing the descriptor stays closed: reads and writes on it fail as before.
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != -1 && opened != fd) close(opened);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace process
