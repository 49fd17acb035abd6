#include "target/default_dir.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "payload/path_limit.h"
#include "process/vendor_settings.h"
#include "target/home_path.h"

namespace target {
namespace {

std::array<char, payload::TARGET_PATH_SIZE> user_default{};

// Whether a directory could be made or written at `path`: the path itself or its nearest existing
// ancestor must let this user write and enter it.
bool could_write(std::string_view path) {
    std::array<char, payload::TARGET_PATH_SIZE> probe{};
    if (path.size() >= probe.size()) return false;
    for (std::string_view left = path; !left.empty();) {
        std::memcpy(probe.data(), left.data(), left.size());
        probe[left.size()] = '\0';
        if (access(probe.data(), F_OK) == 0) return access(probe.data(), W_OK | X_OK) == 0;
        const std::size_t slash = left.find_last_of('/');
        if (left == "/" || slash == std::string_view::npos) return false;
        left = left.substr(0, std::max<std::size_t>(slash, 1));  // "/x" goes on to "/"
    }
    return false;
}

}  // namespace

std::string_view choose_default_dir() {
    const std::string_view first = process::default_target_dir();
    const std::string_view user = process::user_default_dir();
    if (user.empty() || geteuid() == 0 || could_write(first)) return first;
    if (user.front() == '/') return user;
    if (!expand_home(user, user_default.data(), user_default.size())) return first;
    return user_default.data();
}

}  // namespace target
