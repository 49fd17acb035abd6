#include "install/free_space.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "payload/header_block.h"
#include "payload/path_limit.h"
#include "process/session.h"
#include "process/termination.h"

namespace install {
namespace {

constexpr double BYTES_PER_MIB = 1048576.0;

// The file system of `path`, or of its nearest ancestor that exists.
bool nearest_file_system(std::string_view path, struct statvfs& found) {
    std::array<char, payload::TARGET_PATH_SIZE> probe{};
    if (path.size() >= probe.size()) return false;
    for (std::string_view left = path; !left.empty();) {
        std::memcpy(probe.data(), left.data(), left.size());
        probe[left.size()] = '\0';
        if (statvfs(probe.data(), &found) == 0) return true;
        const std::size_t slash = left.find_last_of('/');
        if (left == "/" || slash == std::string_view::npos) return false;
        left = left.substr(0, std::max<std::size_t>(slash, 1));
    }
    return false;
}

}  // namespace

void check_free_space(const char* target) {
    struct statvfs system {};
    if (!nearest_file_system(target, system)) return;
    // Root may use the blocks the file system keeps back from everyone else.
    const unsigned long long blocks = geteuid() == 0 ? system.f_bfree : system.f_bavail;
    const unsigned long long free_bytes = blocks * system.f_frsize;
    const std::uint32_t needed = payload::header_u32(process::session.header, payload::HEADER_REQUIRED_SPACE);
    if (needed <= free_bytes) return;
    std::array<char, payload::TARGET_PATH_SIZE + 128> message{};
    std::snprintf(message.data(), message.size(),
                  "Not enough free space in \"%s\": %.3f MiByte needed, %.3f MiByte free (err=16).", target,
                  needed / BYTES_PER_MIB, static_cast<double>(free_bytes) / BYTES_PER_MIB);
    process::error(message.data());
}

}  // namespace install
