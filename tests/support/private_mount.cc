#include "support/private_mount.h"

#include <sched.h>
#include <sys/mount.h>

namespace testing_support {

bool private_tmpfs(const std::string& dir, unsigned long flags, const char* options) {
    if (unshare(CLONE_NEWNS) != 0) return false;
    // Private first, or the mount would reach the test runner's namespace as well.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    return mount("tmpfs", dir.c_str(), "tmpfs", flags, options) == 0;
}

}  // namespace testing_support
