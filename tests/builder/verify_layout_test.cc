// verify lays every entry out as the installer will in an empty target, and fails where the installer
// would stop, quoting its message. Each case is checked against the installer itself: verify's verdict
// and the message it quotes must be what a real installation into a new directory ends with.
#include <gtest/gtest.h>

#include "builder_test_util.h"
#include "payload/file_record.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace builder_test;

constexpr std::uint32_t DELETE = 2;

struct layout_case {
    const char* what;
    std::vector<test_entry> entries;
    std::string message;  // the installer's, or empty when it completes
};

TEST(VerifyLayout, VerifyAndTheInstallerAgreeOnWhatCanBeLaidOut) {
    const std::string is_directory = "Can't create file - Is a directory (err=5).";
    const std::vector<layout_case> cases = {
        {"empty name", {{.name = "ok", .data = "1"}, {.name = "", .data = "2"}}, is_directory},
        {"name ending in '/'", {{.name = "docs/", .data = "2"}}, is_directory},
        {"a dot", {{.name = ".", .data = "2"}}, is_directory},
        {"a file where a directory is needed",
         {{.name = "p", .data = "1"}, {.name = "p/q", .data = "2"}},
         "Can't create directory - File exists (err=4)."},
        {"a filled directory where a file is needed",
         {{.name = "p/q", .data = "1"}, {.name = "p", .data = "2"}},
         is_directory},
        {"a name component too long",
         {{.name = std::string(256, 'n'), .data = "1"}},
         "Can't create file - File name too long (err=5)."},
        // q's removal empties p, so p's own removal takes the directory away before p is written.
        {"same-name removal clears the way",
         {{.name = "p/q", .data = "1"}, {.name = "q", .data = "2"}, {.name = "p", .data = "3"}},
         ""},
        {"a touch entry outside an update is compressed data, an empty file here",
         {{.name = "a", .data = "1"}, {.name = "a", .method = payload::METHOD_TOUCH}},
         ""},
        {"a delete entry clears the way",
         {{.name = "d/p", .data = "1"}, {.name = "d/p", .method = DELETE}, {.name = "d/p/q", .data = "2"}},
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        temp_dir dir;
        const std::string setup = testing_support::write_installer(dir / "setup", {.entries = c.entries});
        const auto verified = run_mkinstaller({"verify", setup});
        const std::string installed =
            testing_support::dialogue(setup, testing_support::answers_to_install(dir / "target") + "n\n");
        if (c.message.empty()) {
            EXPECT_EQ(verified.exit_code, 0) << verified.err;
            EXPECT_TRUE(installed.ends_with(testing_support::texts::COMPLETE));
            continue;
        }
        EXPECT_EQ(verified.exit_code, 1);
        EXPECT_NE(verified.err.find("(the installer stops with \"" + c.message + "\")"), std::string::npos)
            << verified.err;
        EXPECT_TRUE(installed.ends_with(c.message + "\n" + testing_support::texts::TERMINATED))
            << installed.substr(installed.size() > 200 ? installed.size() - 200 : 0);
    }
}

}  // namespace
