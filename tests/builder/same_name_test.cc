// The same-name rule as the installer applies it: which component it takes from a name, and which files a
// later entry removes. A wrong group here means a build that hides lost files, or warns about none.
#include <gtest/gtest.h>

#include "builder/model/same_name.h"
#include "payload/record_name.h"

namespace {

using builder::find_same_name_groups;
using builder::named_entry;
using payload::last_name_component;

TEST(SameName, LastComponentIsTakenAsTheInstallerTakesIt) {
    EXPECT_EQ(last_name_component("docs/deep/readme.txt"), "readme.txt");
    EXPECT_EQ(last_name_component("readme.txt"), "readme.txt");
    EXPECT_EQ(last_name_component("a\\b.h"), "b.h");  // '\' separates here too
    EXPECT_EQ(last_name_component("x"), "x");
    EXPECT_EQ(last_name_component("/"), "/");      // one character: its own component
    EXPECT_EQ(last_name_component("a/b/"), "b/");  // the scan starts before the last character
    EXPECT_EQ(last_name_component("a//"), "/");
}

TEST(SameName, LaterEntriesOvertakeEarlierFiles) {
    const std::vector<named_entry> entries = {
        {"a/x.h", false}, {"b/x.h", false}, {"c/x.h", false}, {"x.h.bak", false}, {"X.H", false},
    };
    const auto groups = find_same_name_groups(entries);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].component, "x.h");
    EXPECT_EQ(groups[0].members, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(builder::describe_same_name_group(groups[0], entries),
              "\"a/x.h\", \"b/x.h\", \"c/x.h\" share the last name component \"x.h\"; the installer removes "
              "each before it writes the next, so only \"c/x.h\" survives an installation");
}

TEST(SameName, DeleteEntriesCountByWhetherTheyComeBeforeOrAfterTheFiles) {
    // A delete in front removes nothing that the payload brings: no group.
    EXPECT_TRUE(find_same_name_groups({{"old/x.h", true}, {"inc/x.h", false}}).empty());
    EXPECT_TRUE(find_same_name_groups({{"old/x.h", true}, {"new/x.h", true}}).empty());
    // Behind a file it removes that file as well.
    const std::vector<named_entry> entries = {{"inc/x.h", false}, {"old/x.h", true}};
    const auto groups = find_same_name_groups(entries);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_NE(builder::describe_same_name_group(groups[0], entries).find("delete \"old/x.h\""),
              std::string::npos);
    EXPECT_NE(builder::describe_same_name_group(groups[0], entries).find("none of them survives"),
              std::string::npos);
}

TEST(SameName, EmptyNamesRemoveNothingAndGroupsComeInComponentOrder) {
    const std::vector<named_entry> entries = {{"", false},    {"", false},    {"p/z", false},
                                              {"q/z", false}, {"p/a", false}, {"q/a", false}};
    const auto groups = find_same_name_groups(entries);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].component, "a");
    EXPECT_EQ(groups[1].component, "z");
}

}  // namespace
