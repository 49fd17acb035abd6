// Link entries in an installer that keeps links: each link is made beside its path and renamed over
// whatever stands there (a user's file, a link to something outside), never through it, with its own
// time; a directory at the path stops the run; and a text that could lead outside the target stops it
// before anything is written, or, checking entry by entry, before that link is made.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "payload/file_record.h"
#include "payload/profile_region.h"
#include "support/installer_texts.h"
#include "support/stub_regions.h"
#include "support/target_fixture.h"
#include "support/tree_snapshot.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

test_entry link_entry(const std::string& name, const std::string& text) {
    return {.name = name, .data = text, .method = payload::METHOD_LINK, .mtime = 1600000000, .mode = 0120777};
}

class LinkEntry : public target_fixture {
  protected:
    // Runs the payload with links kept and the whole payload checked first (or not) into the target.
    process_result install(const std::vector<test_entry>& entries, bool check_first) {
        const std::string image = write_installer_with_stub(
            dir / "setup",
            profiled_stub({{payload::PROFILE_CHECK_FIRST, std::string(1, check_first ? '\1' : '\0')},
                           {payload::PROFILE_LINKS, "\x01"}}),
            {.entries = entries});
        return run_itself(image, answers_to_install(target) + "n\nn\n");
    }
};

TEST_F(LinkEntry, LinksReplaceWhatStandsAtTheirPathsAndKeepTheirTimes) {
    std::filesystem::create_directories(target + "/bin");
    write_file(dir / "victim", "outside");
    ASSERT_EQ(symlink((dir / "victim").c_str(), (target + "/bin/tool").c_str()), 0);
    write_file(target + "/lib/libfoo.so.5", "the user's old copy");
    const std::vector<test_entry> entries = {
        {.name = "inc/v5/a.h", .data = "a"},        {.name = "lib/libfoo.so.5.1.0", .data = "elf"},
        link_entry("bin/tool", "../lib/libfoo.so"), link_entry("inc/current", "v5"),
        link_entry("lib/libfoo.so", "libfoo.so.5"), link_entry("lib/libfoo.so.5", "libfoo.so.5.1.0"),
    };
    for (const bool check_first : {true, false}) {
        SCOPED_TRACE(check_first);
        EXPECT_TRUE(install(entries, check_first).err.ends_with(t::COMPLETE));
        const std::map<std::string, std::string> expected = {
            {"bin", "dir"},
            {"bin/tool", "link ../lib/libfoo.so"},
            {"inc", "dir"},
            {"inc/current", "link v5"},
            {"inc/v5", "dir"},
            {"inc/v5/a.h", "file a"},
            {"lib", "dir"},
            {"lib/libfoo.so", "link libfoo.so.5"},
            {"lib/libfoo.so.5", "link libfoo.so.5.1.0"},
            {"lib/libfoo.so.5.1.0", "file elf"},
        };
        EXPECT_EQ(tree_snapshot(target), expected);
        EXPECT_EQ(read_file(dir / "victim"), "outside");
        EXPECT_EQ(read_file(target + "/bin/tool"), "elf");  // through the chain of links
        struct stat st {};
        ASSERT_EQ(lstat((target + "/inc/current").c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    }
}

TEST_F(LinkEntry, ADirectoryAtTheLinkPathOrAnUnsafeTextStopsTheRun) {
    struct stop_case {
        const char* what;
        std::string text;
        std::string message;
    };
    const stop_case cases[] = {
        {"a directory at the path", "x", "Can't create file - Is a directory (err=5)."},
        {"an absolute text", "/etc/passwd", "Corrupted file(s) (err=7)."},
        {"a text leaving the target", "../../x", "Corrupted file(s) (err=7)."},
        {"a '..' after a name", "l/../../x", "Corrupted file(s) (err=7)."},
    };
    for (const stop_case& c : cases) {
        for (const bool check_first : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (check_first ? ", checked first" : ""));
            std::filesystem::remove_all(target);
            std::filesystem::create_directories(target + "/d/l/x");
            const auto r = install({{.name = "d/a", .data = "a"}, link_entry("d/l", c.text)}, check_first);
            EXPECT_TRUE(r.err.ends_with(c.message + "\n" + t::TERMINATED)) << r.err;
            // Checked first, nothing is written; entry by entry, the file before the link is.
            const bool written = !check_first || c.message.find("err=5") != std::string::npos;
            EXPECT_EQ(std::filesystem::exists(target + "/d/a"), written);
            EXPECT_TRUE(std::filesystem::is_directory(target + "/d/l/x"));
            EXPECT_EQ(temporaries_in(tree_snapshot(target)), std::vector<std::string>{});
        }
    }
}

}  // namespace
