#include "target/path_kind.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace target {

path_type path_kind(const char* path) {
    struct stat info {};
    if (stat(path, &info) != 0) return path_type::absent;
    return S_ISDIR(info.st_mode) ? path_type::directory : path_type::not_directory;
}

bool nearest_existing(std::string_view path, std::array<char, payload::TARGET_PATH_SIZE>& found) {
    if (path.size() >= found.size()) return false;
    for (std::string_view left = path; !left.empty();) {
        std::memcpy(found.data(), left.data(), left.size());
        found[left.size()] = '\0';
        if (access(found.data(), F_OK) == 0) return true;
        const std::size_t slash = left.find_last_of('/');
        if (left == "/" || slash == std::string_view::npos) return false;
        left.remove_suffix(left.size() - std::max<std::size_t>(slash, 1));  // "/x" goes on to "/"
    }
    return false;
}

}  // namespace target
