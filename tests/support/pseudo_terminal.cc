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
    close_slave();
}

int pseudo_terminal::make_controlling() const {
    close(master_);
    if (setsid() < 0 || ioctl(slave_, TIOCSCTTY, 0) != 0) return -1;
    return slave_;
}

void pseudo_terminal::close_slave() {
    if (slave_ >= 0) close(slave_);
    slave_ = -1;
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
