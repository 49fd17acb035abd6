// The two removal rules an installer may carry. `anywhere` removes every file of an entry's last name
// beneath the target; `path` only replaces what stands at the entry's own path. The layout model, and
// through it build, list, verify, extract and diff, must follow the rule of the installer in hand: a
// wrong rule hides lost files, refuses good trees, or passes an installer that stops.
#include <gtest/gtest.h>

#include "builder/inspect/installer_tree.h"
#include "builder/model/layout_replay.h"
#include "builder_test_util.h"

namespace {

using namespace builder_test;
using payload::same_name_removal;

struct model_entry {
    std::string name;
    bool is_delete = false;
};

// The installer's message when it stops, else every path the entries leave, '/' after a directory's.
std::string laid_out(same_name_removal removal, const std::vector<model_entry>& entries) {
    builder::layout_tree tree;
    for (const model_entry& e : entries) {
        const auto outcome = builder::apply_entry(tree, removal, e.name, e.is_delete,
                                                  builder::written_state({}, 1, TEST_TIME, 0100644, 1));
        if (!outcome.installer_message.empty()) return outcome.installer_message;
    }
    std::string paths;
    for (const auto& change : builder::compare_trees({}, tree)) paths += change.path + " ";
    return paths;
}

TEST(RemovalRule, TheModelRemovesByNameOrOnlyAtTheEntrysPath) {
    const std::string is_directory = "Can't create file - Is a directory (err=5).";
    struct rule_case {
        const char* what;
        std::vector<model_entry> entries;
        std::string anywhere;
        std::string path;
    };
    const std::vector<rule_case> cases = {
        {"same-named files in several folders",
         {{"a/README.md"}, {"b/README.md"}, {"README.md"}},
         "README.md a/ b/ ",
         "README.md a/ a/README.md b/ b/README.md "},
        {"a delete entry", {{"a/x"}, {"b/x"}, {"a/x", true}}, "a/ b/ ", "a/ b/ b/x "},
        {"a delete entry of a filled directory", {{"d/x"}, {"d", true}}, "d/ d/x ", "d/ d/x "},
        // Unlink takes no directory, empty or not.
        {"an empty directory at the path", {{"d/x"}, {"d/x", true}, {"d"}}, "d ", is_directory},
        {"a filled directory at the path", {{"p/q"}, {"q"}, {"p"}}, "p q ", is_directory},
        {"a file where a directory is needed",
         {{"p"}, {"p/q"}},
         "Can't create directory - File exists (err=4).",
         "Can't create directory - File exists (err=4)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(laid_out(same_name_removal::anywhere, c.entries), c.anywhere);
        EXPECT_EQ(laid_out(same_name_removal::path, c.entries), c.path);
    }

    // A file at the path is replaced by a new one: written with time 0, it has the mask's permissions,
    // not the old file's. (A name with '\' escapes same-name removal, which would have removed it too.)
    std::optional<std::uint16_t> kept[2];
    for (const auto removal : {same_name_removal::anywhere, same_name_removal::path}) {
        builder::layout_tree tree;
        builder::apply_entry(tree, removal, "x\\y", false,
                             builder::written_state({}, 1, TEST_TIME, 0100600, 1));
        builder::apply_entry(tree, removal, "x\\y", false, builder::written_state({}, 2, 0, 0100755, 1));
        kept[static_cast<int>(removal)] = tree.root.children.at("x\\y").file.permissions;
    }
    EXPECT_EQ(kept[0], std::optional<std::uint16_t>(0600));  // anywhere: truncated in place
    EXPECT_FALSE(kept[1].has_value());
}

// Example folders, each with the same three names: a tree that the `path` rule installs whole.
class RemovalRuleCommands : public ::testing::Test {
  protected:
    temp_dir dir;
    const std::vector<std::string> folders = {"ex1", "ex2", "ex3"};
    const std::vector<std::string> names = {"CMakeLists.txt", "Makefile", "README.md"};

    void SetUp() override {
        for (const auto& folder : folders) {
            for (const auto& name : names)
                write_timed_file(dir / ("src/" + folder + "/" + name), folder + name);
        }
        write_file(dir / "anywhere-stub",
                   fake_stub_with_removal(FAKE_STUB_SIZE, same_name_removal::anywhere));
        write_file(dir / "path-stub", fake_stub_with_removal(FAKE_STUB_SIZE, same_name_removal::path));
    }

    testing_support::process_result build(const char* rule, std::vector<std::string> options = {}) {
        std::vector<std::string> args = {"build",        "--quiet",
                                         "--build-time", std::to_string(TEST_TIME),
                                         "--stub",       dir / (std::string(rule) + "-stub")};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {dir / "src", dir / (std::string(rule) + "-setup")});
        return run_mkinstaller(args);
    }
};

TEST_F(RemovalRuleCommands, SameNamedFilesInEveryFolderBuildListVerifyAndExtractWhole) {
    const auto built = build("path");
    ASSERT_EQ(built.exit_code, 0) << built.err;
    EXPECT_EQ(built.err, "");
    const auto listed = run_mkinstaller({"list", dir / "path-setup"});
    const auto verified = run_mkinstaller({"verify", "--any-stub", dir / "path-setup"});
    EXPECT_EQ(listed.err + verified.err, "");
    EXPECT_EQ(verified.exit_code, 0);
    ASSERT_EQ(run_mkinstaller({"extract", dir / "path-setup", dir / "path-out"}).exit_code, 0);
    for (const auto& folder : folders) {
        EXPECT_EQ(dir_names(dir / ("path-out/" + folder)), names);
        for (const auto& name : names)
            EXPECT_NE(listed.out.find(folder + "/" + name + "\n"), std::string::npos);
    }

    // The same tree with `anywhere`: refused, warned about, and extracted as the installer leaves it.
    EXPECT_EQ(build("anywhere").exit_code, 1);
    ASSERT_EQ(build("anywhere", {"--allow-same-name"}).exit_code, 0);
    EXPECT_NE(run_mkinstaller({"list", dir / "anywhere-setup"}).err.find("only \"ex3/README.md\" survives"),
              std::string::npos);
    ASSERT_EQ(run_mkinstaller({"extract", dir / "anywhere-setup", dir / "anywhere-out"}).exit_code, 0);
    EXPECT_EQ(dir_names(dir / "anywhere-out"), folders);
    EXPECT_TRUE(dir_names(dir / "anywhere-out/ex1").empty());
    EXPECT_EQ(dir_names(dir / "anywhere-out/ex3"), names);

    // Installers that differ in their rule alone leave different trees.
    const auto diff = run_mkinstaller({"diff", dir / "anywhere-setup", dir / "path-setup"});
    EXPECT_EQ(diff.exit_code, 1);
    EXPECT_EQ(diff.out,
              "added    ex1/CMakeLists.txt\nadded    ex1/Makefile\nadded    ex1/README.md\n"
              "added    ex2/CMakeLists.txt\nadded    ex2/Makefile\nadded    ex2/README.md\n");
}

TEST_F(RemovalRuleCommands, VerifyLaysOutWithTheRuleOfTheInstallerInHand) {
    // Same-name removal of q empties the directory p for the file p; unlink would not remove it.
    const std::string payload = testing_support::payload_bytes(
        {.entries = {{.name = "p/q", .data = "1"}, {.name = "q", .data = "2"}, {.name = "p", .data = "3"}}});
    write_file(dir / "a", testing_support::installer_image(read_file(dir / "anywhere-stub"), payload,
                                                           FAKE_HEADER_OFFSET));
    write_file(dir / "p",
               testing_support::installer_image(read_file(dir / "path-stub"), payload, FAKE_HEADER_OFFSET));
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", dir / "a"}).exit_code, 0);
    EXPECT_NE(run_mkinstaller({"verify", "--any-stub", dir / "p"})
                  .err.find("(the installer stops with \"Can't create file - Is a directory (err=5).\")"),
              std::string::npos);
}

}  // namespace
