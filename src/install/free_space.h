// Whether the target's file system has room for the installation, asked before the first write.
#pragma once

namespace install {

// Ends the installer with a message naming the directory, the space the directory screen stated and
// the space free, when the file system that holds `target` (or its nearest existing ancestor) has less
// free than the header's required space. Space the system will not say passes.
void check_free_space(const char* target);

}  // namespace install
