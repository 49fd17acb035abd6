#include "install/free_space.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "payload/header_block.h"
#include "payload/path_limit.h"
#include "process/session.h"
#include "process/termination.h"
#include "target/path_kind.h"

namespace install {
namespace {

constexpr double BYTES_PER_MIB = 1048576.0;

}  // namespace

void check_free_space(const char* target) {
    std::array<char, payload::TARGET_PATH_SIZE> place{};
    struct statvfs system {};
    if (!target::nearest_existing(target, place) || statvfs(place.data(), &system) != 0) return;
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
