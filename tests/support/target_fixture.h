// The fixture of the tests that install: a temporary directory and the target directory an installation
// writes beneath it, which does not exist until the test or the installation makes it.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace testing_support {

class target_fixture : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string target = dir / "target";
};

}  // namespace testing_support
