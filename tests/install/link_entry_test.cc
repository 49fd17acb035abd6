// Link entries in an installer that keeps links, checked first or entry by entry: each link is made
// beside its path and renamed over whatever stands there (a user's file, a link to something outside),
// never through it, with its own time; a directory at the path stops the run after the files before it.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "payload/file_record.h"
#include "payload/profile_region.h"
#include "support/installer_texts.h"
#include "support/stub_regions.h"
#include "support/tree_snapshot.h"

namespace {

using namespace testing_support;

TEST(LinkEntry, LinksReplaceWhatStandsAtTheirPathsOrStopAtADirectory) {
    const auto link = [](const std::string& name, const std::string& text) {
        return test_entry{.name = name, .data = text, .method = payload::METHOD_LINK, .mtime = 1600000000};
    };
    const std::vector<test_entry> entries = {{.name = "lib/libfoo.so.5.1.0", .data = "elf"},
                                             link("bin/tool", "../lib/libfoo.so"),
                                             link("lib/libfoo.so", "libfoo.so.5.1.0"),
                                             link("lib/sub", "x")};
    for (const char check_first : {'\0', '\1'}) {
        temp_dir dir;
        const std::string target = dir / "target";
        std::filesystem::create_directories(target + "/bin");
        write_file(dir / "victim", "outside");
        ASSERT_EQ(symlink((dir / "victim").c_str(), (target + "/bin/tool").c_str()), 0);
        write_file(target + "/lib/libfoo.so", "the user's old copy");
        write_file(target + "/lib/sub/kept", "a directory at a link's path");
        const std::string image = write_installer_with_stub(
            dir / "setup",
            profiled_stub({{payload::PROFILE_CHECK_FIRST, {check_first}}, {payload::PROFILE_LINKS, "\x01"}}),
            {.entries = entries});
        const auto r = run_itself(image, answers_to_install(target) + "n\nn\n");
        EXPECT_TRUE(r.err.ends_with("Can't create file - Is a directory (err=5).\n" + texts::TERMINATED))
            << r.err;
        const std::map<std::string, std::string> expected = {
            {"bin", "dir"},
            {"bin/tool", "link ../lib/libfoo.so"},
            {"lib", "dir"},
            {"lib/libfoo.so", "link libfoo.so.5.1.0"},
            {"lib/libfoo.so.5.1.0", "file elf"},
            {"lib/sub", "dir"},
            {"lib/sub/kept", "file a directory at a link's path"},
        };
        EXPECT_EQ(tree_snapshot(target), expected);
        EXPECT_EQ(read_file(dir / "victim"), "outside");
        EXPECT_EQ(read_file(target + "/bin/tool"), "elf");  // through the chain of links
        struct stat st {};
        ASSERT_EQ(lstat((target + "/lib/libfoo.so").c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    }
}

}  // namespace
