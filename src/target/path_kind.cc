#include "target/path_kind.h"

#include <sys/stat.h>

namespace target {

int path_kind(const char* path) {
    struct stat info {};
    if (stat(path, &info) != 0) return -1;
    return S_ISDIR(info.st_mode) ? 1 : 0;
}

}  // namespace target
