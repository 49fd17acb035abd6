#include "support/installer_under_test.h"

#include <cstdlib>

namespace testing_support {

const char* installer_under_test() {
    const char* const named = std::getenv("INSTALLER_TEST_STUB");
    return named != nullptr && *named != '\0' ? named : BUILT_INSTALLER_PATH;
}

}  // namespace testing_support
