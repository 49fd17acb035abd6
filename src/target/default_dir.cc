#include "target/default_dir.h"

#include <unistd.h>

#include <array>

#include "payload/path_limit.h"
#include "process/vendor_settings.h"
#include "target/home_path.h"
#include "target/path_kind.h"

namespace target {
namespace {

std::array<char, payload::TARGET_PATH_SIZE> user_default{};

// Whether a directory could be made or written at `path`: the path itself or its nearest existing
// ancestor must let this user write and enter it.
bool could_write(std::string_view path) {
    std::array<char, payload::TARGET_PATH_SIZE> place{};
    return nearest_existing(path, place) && access(place.data(), W_OK | X_OK) == 0;
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
