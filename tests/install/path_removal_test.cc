// The vendor's removal rule `path`: only what stands at an entry's own path goes before it is written. The
// user's same-named files elsewhere in the target stay; a link or a second name at the path is replaced,
// never written through; a directory there stays and the file cannot be created, as with the built-in rule.
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "payload/profile_region.h"
#include "support/installer_texts.h"
#include "support/stub_regions.h"
#include "support/target_fixture.h"
#include "support/tree_snapshot.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class PathRemoval : public target_fixture {
  protected:
    // Runs an installer with the rule `path` and `names` (each file holding its own name) into the
    // existing target; returns what it wrote.
    std::string install(const std::vector<std::string>& names) {
        test_payload payload;
        for (const auto& name : names) payload.entries.push_back({.name = name, .data = name});
        const std::string image = write_installer_with_stub(
            dir / "setup", profiled_stub({{payload::PROFILE_SAME_NAME_REMOVAL, "\x01"}}), payload);
        const auto r = run_itself(image, answers_to_install(target) + "n\nn\n");
        EXPECT_EQ(r.exit_code, 0);
        return r.err;
    }
};

TEST_F(PathRemoval, KeepsTheUsersSameNamedFilesAndReplacesLinksAtEntryPaths) {
    write_file(target + "/user/README.md", "mine");
    write_file(target + "/user/deep/README.md", "deep mine");
    std::filesystem::create_directories(target + "/docs/README.md");
    write_file(dir / "outside.txt", "outside");
    write_file(dir / "linked.txt", "linked");
    std::filesystem::create_directories(target + "/a");
    std::filesystem::create_directories(target + "/b");
    ASSERT_EQ(symlink((dir / "outside.txt").c_str(), (target + "/a/README.md").c_str()), 0);
    ASSERT_EQ(link((dir / "linked.txt").c_str(), (target + "/b/README.md").c_str()), 0);

    const std::vector<std::string> names = {"README.md",   "a/README.md",   "b/README.md",
                                            "c/README.md", "c/d/README.md", "e/f/g/README.md"};
    EXPECT_TRUE(install(names).ends_with(t::COMPLETE));
    std::map<std::string, std::string> expected = {{"user", "dir"},
                                                   {"user/README.md", "file mine"},
                                                   {"user/deep", "dir"},
                                                   {"docs", "dir"},
                                                   {"user/deep/README.md", "file deep mine"},
                                                   {"docs/README.md", "dir"},
                                                   {"a", "dir"},
                                                   {"b", "dir"},
                                                   {"c", "dir"},
                                                   {"c/d", "dir"},
                                                   {"e", "dir"},
                                                   {"e/f", "dir"},
                                                   {"e/f/g", "dir"}};
    for (const auto& name : names) expected[name] = "file " + name;
    EXPECT_EQ(tree_snapshot(target), expected);
    EXPECT_EQ(read_file(dir / "outside.txt"), "outside");
    EXPECT_EQ(read_file(dir / "linked.txt"), "linked");
}

TEST_F(PathRemoval, ADirectoryAtAnEntrysPathStaysAndTheFileCannotBeCreated) {
    std::filesystem::create_directories(target + "/README.md");
    EXPECT_TRUE(
        install({"README.md"}).ends_with("Can't create file - Is a directory (err=5).\n" + t::TERMINATED));
    EXPECT_TRUE(std::filesystem::is_directory(target + "/README.md"));
}

}  // namespace
