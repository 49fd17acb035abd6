// The longest target directory the installer works with, the one limit both programs check paths by:
// the directory screen keeps no more of a typed path, a profile names no longer default or root, and
// the installation's working path holds one with room to spare.
#pragma once

#include <cstddef>

namespace payload {

constexpr std::size_t TARGET_PATH_MAX = 4094;

// A buffer that holds such a path, the separator the installation appends to it and a NUL.
constexpr std::size_t TARGET_PATH_SIZE = TARGET_PATH_MAX + 2;

}  // namespace payload
