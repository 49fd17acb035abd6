// The existence check shared by the directory screen, the wizard and directory creation.
#pragma once

#include <array>
#include <string_view>

#include "payload/path_limit.h"

namespace target {

// What stat finds at a path (links followed); the values are those the check has always returned.
enum class path_type : int {
    absent = -1,        // absent or unreachable
    not_directory = 0,  // exists but is something else
    directory = 1,
};

path_type path_kind(const char* path);

// The nearest existing place of a target that may not exist yet: `path` itself, else the longest of its
// parents that exists, NUL-terminated in `found`. False when none does (a relative path whose first
// component is absent) or the path does not fit.
bool nearest_existing(std::string_view path, std::array<char, payload::TARGET_PATH_SIZE>& found);

}  // namespace target
