// The command and option tables as the parser and the usage texts read them: a row reaches its own command
// and no other, and the messages worded from the tables name what they should.
#include <gtest/gtest.h>

#include <algorithm>

#include "builder/cli/command_table.h"
#include "builder/cli/option_table.h"
#include "builder/cli/usage.h"
#include "builder/cli/usage_error.h"
#include "builder/format/profile_settings.h"
#include "payload/vendor_settings_table.h"

namespace {

using namespace builder;

// The usage error's message for `args`, or "" when they parse.
std::string refusal(const std::vector<std::string_view>& args) {
    try {
        parse_command_line(args);
        return "";
    } catch (const usage_error& e) {
        return e.what();
    }
}

TEST(CliTable, EveryOptionIsShownAndTakenByTheCommandsItIsARowOf) {
    for (const option_spec& option : option_table()) {
        SCOPED_TRACE(std::string(option.command) + " " + std::string(option.name));
        const command_spec* owner = command_named(option.command);
        ASSERT_NE(owner, nullptr);
        const std::string value = option.value_name.empty() ? "" : " " + std::string(option.value_name);
        EXPECT_NE(usage_text(owner).find(std::string(option.name) + value + "  "), std::string::npos);
        const std::string given = std::string(option.name) + (value.empty() ? "" : "=1");
        for (const command_spec& command : command_table()) {
            std::vector<std::string_view> args = {command.name, given};
            for (std::size_t i = 0; i < operand_count(command); ++i) args.push_back(command.operands[i]);
            const std::string said = refusal(args);
            const bool has_it = std::ranges::any_of(option_table(), [&](const option_spec& o) {
                return o.command == command.name && o.name == option.name;
            });
            if (has_it) {
                // Parsed, or refused only by a rule between options (--full alone).
                EXPECT_TRUE(said.empty() || said.starts_with(std::string(option.name) + " ")) << said;
            } else {
                EXPECT_EQ(said, "unknown option " + std::string(option.name)) << command.name;
            }
        }
    }
}

TEST(CliTable, MessagesNameTheOperandsAndOptionsOfTheCommand) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases = {
        {{"extract"}, "missing INSTALLER and DIR"},
        {{"extract", "a"}, "missing DIR"},
        {{"diff"}, "missing OLD and NEW"},
        {{"diff", "--json", "a"}, "missing NEW"},
        {{"diff", "a", "b", "c"}, "unexpected argument \"c\""},
        {{"list", "--json=1", "a"}, "option --json takes no value"},
        {{"build", "--full", "a", "b"}, "--full belongs to --update-from"},
        {{"build", "--level", "1", "--store", "--full", "--update-from=o", "a", "b"}, "--store and --level"},
    };
    for (const auto& [args, words] : cases) {
        EXPECT_EQ(refusal(args).rfind(words, 0), 0u) << words << ": " << refusal(args);
    }
}

TEST(CliTable, UsageProseIsWordedFromTheSettingsTable) {
    for (const command_spec& command : command_table()) {
        EXPECT_EQ(usage_text(&command).find("{setting"), std::string::npos) << command.name;
        EXPECT_EQ(usage_text(&command).find("{limit"), std::string::npos) << command.name;
    }
    const std::string build = usage_text(command_named("build"));
    const std::size_t from = build.find("to choose with ");
    const std::string options = build.substr(from, build.find(", or with a --profile", from) - from);
    const std::string list = usage_text(command_named("list"));
    for (const payload::vendor_setting& setting : payload::VENDOR_SETTINGS) {
        EXPECT_NE(options.find(std::string(setting.option)), std::string::npos) << setting.option;
        EXPECT_NE(list.find(json_key(setting)), std::string::npos) << setting.option;
    }
}

TEST(CliTable, AttachedThreadCountAndDoubleDash) {
    const command_line line = parse_command_line({"build", "-j4", "--", "-j2", "--full"});
    EXPECT_EQ(line.build.jobs, 4u);
    EXPECT_EQ(line.operands, (std::vector<std::string>{"-j2", "--full"}));
    EXPECT_FALSE(line.build.full);
}

}  // namespace
