// File systems a test needs but may not make for real (a tiny disk, a read-only one, device nodes): a tmpfs
// in a mount namespace of the calling process alone, gone with that process.
#pragma once

#include <string>

namespace testing_support {

// Puts a tmpfs of `options` on `dir` in a mount namespace of the calling process alone (call it in a
// child); false when that is not permitted, for the test to skip.
bool private_tmpfs(const std::string& dir, unsigned long flags, const char* options);

}  // namespace testing_support
