#include "target/path_kind.h"

#include <sys/stat.h>

namespace target {

path_type path_kind(const char* path) {
    struct stat info {};
    if (stat(path, &info) != 0) return path_type::absent;
    return S_ISDIR(info.st_mode) ? path_type::directory : path_type::not_directory;
}

}  // namespace target
