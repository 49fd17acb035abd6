// The existence check shared by the directory screen, the wizard and directory creation.
#pragma once

namespace target {

// What stat finds at a path (links followed); the values are those the check has always returned.
enum class path_type : int {
    absent = -1,        // absent or unreachable
    not_directory = 0,  // exists but is something else
    directory = 1,
};

path_type path_kind(const char* path);

}  // namespace target
