#include "support/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace testing_support {

pseudo_terminal::pseudo_terminal() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    const char* slave_path =
        master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0 ? ptsname(master_) : nullptr;
    if (slave_path != nullptr) slave_ = open(slave_path, O_RDWR | O_NOCTTY);
    termios modes{};
    if (slave_ < 0 || tcgetattr(slave_, &modes) != 0) {
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
        throw std::runtime_error("no pseudo-terminal");
    }
    modes.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    (void)tcsetattr(slave_, TCSANOW, &modes);
}

pseudo_terminal::~pseudo_terminal() {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
}

int pseudo_terminal::make_controlling() const {
    close(master_);
    if (setsid() < 0 || ioctl(slave_, TIOCSCTTY, 0) != 0) return -1;
    return slave_;
}

pid_t pseudo_terminal::start_session(const std::function<void(int slave)>& session) {
    const pid_t child = fork();
    if (child == 0) {
        const int slave = make_controlling();
        if (slave < 0) _exit(120);
        session(slave);
        _exit(127);
    }
    // Opened before the fork, the slave was never closed before the child held it.
    if (slave_ >= 0) close(slave_);
    slave_ = -1;
    return child;
}

void pseudo_terminal::type(const std::string& keys) const {
    if (write(master_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
        throw std::runtime_error("typing on the pseudo-terminal failed");
}

bool pseudo_terminal::read_until(const std::string& text, std::string& seen, int timeout_seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    while (text.empty() || seen.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{.fd = master_, .events = POLLIN, .revents = 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
        char buffer[4096];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) return text.empty();  // EIO: no slave descriptor is open any more
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace testing_support
