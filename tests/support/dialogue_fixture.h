// The fixture of the tests that talk to the real installer: a temporary directory, an installer of the
// default test payload in it, a run with scripted input, and the transcript up to the licence prompt.
// Header only: it needs the built-in agreement, which only the programs linking the installer's code see.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/license_text.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace testing_support {

// The welcome screen and its prompt, answered Next.
inline const std::string AFTER_WELCOME = texts::WELCOME + texts::NEXT_CANCEL;
// The built-in agreement as first shown, its question and its prompt.
inline const std::string LICENSE_DISPLAY = texts::license_display(driver::license_text);
inline const std::string LICENSE_ASK = texts::LICENSE_QUESTION + texts::LICENSE_PROMPT;
inline const std::string UP_TO_LICENSE_PROMPT = AFTER_WELCOME + LICENSE_DISPLAY + LICENSE_ASK;

class dialogue_fixture : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string image = write_installer(dir / "setup.bin", test_payload{});

    // What the installer wrote on standard error for `input`, after checking that it ended cleanly.
    std::string run(const std::string& input, const std::vector<std::string>& args = {}) {
        return dialogue(image, input, args);
    }
};

}  // namespace testing_support
