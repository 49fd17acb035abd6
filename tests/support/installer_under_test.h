// The stub the tests run: the one this build made, or the one INSTALLER_TEST_STUB names, so that the same
// tests run an installer built for another architecture (under an emulator the kernel starts for it).
// Every test program is compiled with this header included first.
#pragma once

#define INSTALLER_PATH (testing_support::installer_under_test())

namespace testing_support {

const char* installer_under_test();

}  // namespace testing_support
