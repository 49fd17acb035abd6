// An owned file descriptor, closed when its holder goes; -1 holds nothing. The builder opens directories
// and files relative to descriptors (openat), so that no path is resolved twice.
#pragma once

#include <unistd.h>

#include <utility>

namespace builder {

struct fd_holder {
    int fd = -1;
    fd_holder() = default;
    explicit fd_holder(int f) : fd(f) {}
    fd_holder(fd_holder&& other) noexcept : fd(other.fd) { other.fd = -1; }
    fd_holder& operator=(fd_holder&& other) noexcept {
        std::swap(fd, other.fd);
        return *this;
    }
    fd_holder(const fd_holder&) = delete;
    fd_holder& operator=(const fd_holder&) = delete;
    ~fd_holder() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace builder
