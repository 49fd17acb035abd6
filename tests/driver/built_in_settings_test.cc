// The built-in value of every setting the installer shows, in an installer whose profile region is
// unwritten, stands on the screen its row of the vendor settings' table names: the table, the stub's
// accessors and its screens agree, and a new row whose value no screen shows fails here.
#include <filesystem>

#include <gtest/gtest.h>

#include "payload/vendor_settings_table.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

TEST(BuiltInSettings, EachStandsOnTheScreenItsRowNames) {
    temp_dir dir;
    // Outside the built-in roots, whose warning names them, and existing, for the warning's paragraph.
    const std::string target = dir / "target";
    std::filesystem::create_directories(target);
    test_payload payload;
    payload.entries = {{.name = "a.txt", .data = "a"}};
    const std::string err =
        dialogue(write_installer(dir / "setup", payload), answers_to_install(target) + "n\nn\n");

    // Where each screen begins and what ends it, by payload::setting_shown.
    const std::pair<std::string, std::string> screens[] = {
        {"", t::NEXT_CANCEL},
        {"Please select a directory", t::SELECT_DIFFERENT_ASK},
        {"already exists!", t::BACK_NEXT_CANCEL},
        {"Files installed!", t::BACK_NEXT_CANCEL},
    };
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        // An update's own paragraph stands only in an update's warning (update_base_test.cc shows it).
        if (setting.shown == payload::setting_shown::nowhere ||
            setting.number == payload::PROFILE_UPDATE_EXISTING_DIR_TEXT)
            continue;
        SCOPED_TRACE(std::string(setting.option));
        const auto& [first, last] = screens[static_cast<std::size_t>(setting.shown)];
        const std::size_t start = err.find(first);
        ASSERT_NE(start, std::string::npos) << err;
        const std::string screen = err.substr(start, err.find(last, start) - start);
        for (const std::string_view value : setting.built_in) {
            // The roots' warning quotes each without its final '/'.
            const std::string shown = setting.kind == payload::setting_kind::list
                                          ? "'" + std::string(value.substr(0, value.size() - 1)) + "'"
                                          : std::string(value);
            EXPECT_NE(screen.find(shown), std::string::npos) << shown << " in:\n" << screen;
        }
    }
}

}  // namespace
