// The existence check shared by the directory screen, the wizard and directory creation.
#pragma once

namespace target {

// 1: a directory (links followed); 0: exists but is something else; -1: absent or unreachable.
int path_kind(const char* path);

}  // namespace target
