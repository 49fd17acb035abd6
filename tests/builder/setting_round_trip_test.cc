// Every row of the vendor settings' table, given as its option alone, travels the whole way: parsed,
// checked, written into a stub's profile region, read back as the installer reads it, and shown by list
// --json under its key and by info on a line of its own. Each value differs from the built-in one, so a
// step that drops a row or mixes it with another fails here.
#include <gtest/gtest.h>

#include <sstream>

#include "builder/cli/cli_options.h"
#include "builder/commands/settings_report.h"
#include "builder/format/stub_profile.h"
#include "builder/pack/vendor_profile.h"
#include "builder_test_util.h"
#include "payload/vendor_settings_table.h"
#include "support/json_reader.h"

namespace {

using namespace builder_test;
using payload::setting_kind;
using strings = std::vector<std::string>;

// A value of `setting` other than its built-in one: as given (a file's path for lines), and as the
// region holds it.
struct other_value {
    strings given;
    strings held;
};

other_value other_value_of(const payload::vendor_setting& setting, const std::string& dir) {
    const std::string text = "Acme " + std::string(setting.key());
    switch (setting.kind) {
        case setting_kind::line:
            return {{text}, {text}};
        case setting_kind::lines:
            testing_support::write_file(dir + "/text", text + "\r\n");
            return {{dir + "/text"}, {text + "\n"}};
        case setting_kind::path:
            return {{"/usr/acme"}, {"/usr/acme"}};
        case setting_kind::list:  // the built-in default directory stays under the roots
            return {{"/usr/local", "/opt/"}, {"/usr/local/", "/opt/"}};
        case setting_kind::choice:
            return {{std::string(setting.choices[1].name)}, {"\x01"}};
    }
    return {};
}

TEST(SettingRoundTrip, EveryRowTravelsFromItsOptionToListAndInfo) {
    testing_support::temp_dir dir;
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        SCOPED_TRACE(std::string(setting.option));
        const other_value value = other_value_of(setting, dir.path());
        std::vector<std::string_view> args = {"build"};
        for (const std::string& given : value.given) args.insert(args.end(), {setting.option, given});
        args.insert(args.end(), {"SOURCE_DIR", "OUTPUT"});
        const builder::profile_settings settings =
            builder::resolve_profile_settings(builder::parse_command_line(args).build);

        std::string stub = fake_profile_stub(FAKE_STUB_SIZE);
        builder::write_stub_profile(stub, builder::find_stub_profile(stub), settings);
        const builder::stub_profile found = builder::find_stub_profile(stub);
        ASSERT_EQ(found.found, builder::stub_profile::state::written);
        EXPECT_EQ(found.settings.values[setting.number], value.held);
        const builder::profile_values values = builder::effective_values(found.settings);

        const auto json = testing_support::parse_json("{" + builder::settings_json(values) + "}");
        const auto& member = json[builder::json_key(setting)];
        if (setting.kind == setting_kind::list) {
            ASSERT_EQ(member.size(), value.held.size());
            for (std::size_t i = 0; i < value.held.size(); ++i) EXPECT_EQ(member[i].str(), value.held[i]);
        } else {
            EXPECT_EQ(member.str(), setting.kind == setting_kind::choice ? value.given[0] : value.held[0]);
        }

        // Every other setting stands at its built-in value, which info leaves out.
        std::ostringstream info;
        builder::print_changed_settings(values, info);
        const std::string label = std::string(setting.info_label) + ": ";
        EXPECT_TRUE(info.str().starts_with(label)) << info.str();
        EXPECT_EQ(info.str().find('\n'), info.str().size() - 1) << info.str();
    }
}

}  // namespace
