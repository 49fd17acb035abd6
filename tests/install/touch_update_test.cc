// An update of files changed mostly in time carries touch entries: small, shown by the readers, and over
// the release (once, twice, killed and run again) it leaves the fresh tree: names, bytes, modes, times.
#include <signal.h>
#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

#include "support/held_installer.h"
#include "support/installer_run.h"
#include "support/json_reader.h"
#include "support/tree_snapshot.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

// Its long name makes each drawing long enough to hold the installer inside it (held_installer.h).
const std::string BIG = std::string(40, 'd') + "/" + std::string(250, 'e') + "/big.txt";

// Ten files of 1 MiB, a release's time each: only BIG changes its bytes, two others their mode.
void write_release(const std::string& root, int release) {
    for (int i = 0; i < 10; ++i) {
        const std::string path = root + "/" + (i == 0 ? BIG : (i % 2 ? "a/" : "f/") + std::to_string(i));
        std::string text;
        for (int line = 0; text.size() < (1 << 20); ++line)
            text += std::to_string(i == 0 ? release : i) + " " + std::to_string(line) + "\n";
        write_file(path, text);
        fs::permissions(path, fs::perms(release == 2 && i < 3 ? 0700 : 0644));
        fs::last_write_time(path, std::chrono::file_clock::from_sys(std::chrono::sys_seconds{} +
                                                                    std::chrono::hours{release}));
    }
}

process_result mkinstaller(const std::vector<std::string>& args) {
    return run_process(MKINSTALLER_PATH, joined({MKINSTALLER_PATH}, args), {});
}

TEST(TouchUpdate, ASmallUpdateLeavesTheFreshTreeHoweverItRuns) {
    temp_dir dir;
    write_release(dir / "old", 1);
    write_release(dir / "new", 2);
    for (const removal_rule& rule : REMOVAL_RULES) {
        const std::string at = dir / rule.name;
        const std::string old = mkinstaller_build(joined(rule.options, {dir / "old", at + "-old"}));
        const std::string full = mkinstaller_build(joined(rule.options, {dir / "new", at + "-full"}));
        const std::string update =
            mkinstaller_build(joined(rule.options, {"--update-from", old, dir / "new", at + "-update"}));
        const json_value listed = parse_json(mkinstaller({"list", "--json", update}).out);
        int touches = 0;
        for (std::size_t i = 0; i < listed["entries"].size(); ++i)
            touches += listed["entries"][i]["method"].str() == "touch";
        EXPECT_EQ(touches, 9);
        EXPECT_LT(listed["total_stored_size"].num() * 100,
                  parse_json(mkinstaller({"list", "--json", full}).out)["total_stored_size"].num() * 15);
        EXPECT_TRUE(std::regex_search(mkinstaller({"list", update}).out,
                                      std::regex("\ntouch +0 +0  1970-01-01 02:00:00  0700  a/1\n")));
        EXPECT_EQ(mkinstaller({"diff", "--update", old, update, full}).exit_code, 0);

        const auto fresh = installed_tree({full}, at + "-fresh");
        // Compared by snapshot_differences: the trees are 10 MiB each.
        EXPECT_EQ(snapshot_differences(installed_tree({old, update}, at + "-once"), fresh), "");
        EXPECT_EQ(snapshot_differences(installed_tree({old, update, update}, at + "-twice"), fresh), "");
        (void)installed_tree({old}, at + "-killed");
        const std::string input = answers_to_install(at + "-killed") + "n\nn\n";
        EXPECT_TRUE(signal_inside(update, input, "/big.txt ", SIGKILL).held);
        EXPECT_EQ(snapshot_differences(installed_tree({update}, at + "-killed"), fresh), "");
    }
}

}  // namespace
