// An update whose files mostly changed only in time carries touch entries for them, which set time and
// mode on the release's own files. Installed over the release (once, twice, or killed inside a file it
// carries whole and run again), it must leave what a fresh installation of the new release leaves: the
// same names, bytes, modes and times.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "support/held_installer.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"
#include "support/tree_snapshot.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using snapshot_map = std::map<std::string, std::string>;

constexpr std::int64_t OLD_TIME = 1700000000;

// Its long name makes each drawing long enough to hold the installer inside it (held_installer.h).
const std::string BIG = std::string(40, 'd') + "/" + std::string(250, 'e') + "/big.txt";

std::string text_of(std::size_t size, int seed) {
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "line " + std::to_string(seed) + " " + std::to_string(i) + "\n";
    return text.substr(0, size);
}

struct source_file {
    std::string bytes;
    std::int64_t mtime;
    fs::perms mode = fs::perms(0644);
};

void write_release(const std::string& root, const std::map<std::string, source_file>& files) {
    for (const auto& [name, file] : files) {
        write_file(root + "/" + name, file.bytes);
        fs::permissions(root + "/" + name, file.mode);
        const timespec times[2] = {{.tv_sec = file.mtime, .tv_nsec = 0},
                                   {.tv_sec = file.mtime, .tv_nsec = 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, (root + "/" + name).c_str(), times, 0), 0);
    }
}

snapshot_map detailed(const std::string& root) {
    return tree_snapshot(root, snapshot_detail::with_modes_and_times);
}

struct update_run {
    const char* what;
    int runs;     // of the whole update, after the release
    bool killed;  // first killed inside the big file
};

TEST(TouchUpdate, OverTheReleaseItLeavesTheFreshTreeHoweverOftenItRuns) {
    temp_dir dir;
    std::map<std::string, source_file> old_files;
    std::map<std::string, source_file> new_files;
    for (const std::string name : {"a0", "a1", "a2", "b/a3", "f0", "f1", "g/f2", "g/h/f3"}) {
        old_files[name] = {text_of(3000, name.size() + 7), OLD_TIME};
        new_files[name] = {old_files[name].bytes, OLD_TIME + 3600};
    }
    new_files["a1"].mode = fs::perms(0600);
    new_files["g/f2"].mode = fs::perms(0755);
    old_files[BIG] = {text_of(1 << 20, 1), OLD_TIME};
    new_files[BIG] = {text_of(1 << 20, 2), OLD_TIME + 3600};
    write_release(dir / "old", old_files);
    write_release(dir / "new", new_files);

    const std::vector<update_run> runs = {{"once", 1, false}, {"twice", 2, false}, {"killed", 1, true}};
    for (const removal_rule& rule : REMOVAL_RULES) {
        const std::string name = rule.name;
        const std::string old_setup =
            mkinstaller_build(joined(rule.options, {dir / "old", dir / ("old-" + name)}));
        const std::string update = mkinstaller_build(
            joined(rule.options, {"--update-from", old_setup, dir / "new", dir / ("update-" + name)}));
        install_into_existing(mkinstaller_build(joined(rule.options, {dir / "new", dir / ("new-" + name)})),
                              dir / ("fresh-" + name));
        const snapshot_map fresh = detailed(dir / ("fresh-" + name));
        // Only the big file travels whole.
        const auto listed = run_process(MKINSTALLER_PATH, {MKINSTALLER_PATH, "list", update}, {});
        std::size_t touches = 0;
        for (std::size_t at = listed.out.find("\ntouch "); at != std::string::npos;
             at = listed.out.find("\ntouch ", at + 1))
            ++touches;
        EXPECT_EQ(touches, 8u) << listed.out;

        for (const update_run& run : runs) {
            SCOPED_TRACE(name + ", " + run.what);
            const std::string target = dir / ("target-" + name + "-" + run.what);
            install_into_existing(old_setup, target);
            if (run.killed) {
                const signalled_run held =
                    signal_inside(update, answers_into_existing(target), "/big.txt ", SIGKILL);
                ASSERT_TRUE(held.held) << "the update ended before the big file: " << held.err;
                EXPECT_TRUE(WIFSIGNALED(held.status) && WTERMSIG(held.status) == SIGKILL) << held.status;
            }
            for (int i = 0; i < run.runs; ++i) install_into_existing(update, target);
            EXPECT_EQ(snapshot_differences(detailed(target), fresh), "");
        }
    }
}

}  // namespace

// What stands at a touched path instead of the release's file stops the update where opening it fails.
// The base check names only the first eight files by path, so "z" is left to the touch itself.
TEST(TouchUpdate, NoRegularFileAtTheTouchedPathCannotCreateFile) {
    temp_dir dir;
    std::map<std::string, source_file> old_files;
    std::map<std::string, source_file> new_files;
    for (const std::string name : {"a0", "a1", "a2", "a3", "a4", "a5", "a6", "a7", "a8", "z"}) {
        old_files[name] = {text_of(100, 1), OLD_TIME};
        new_files[name] = {text_of(100, 1), OLD_TIME + 3600};
    }
    write_release(dir / "old", old_files);
    write_release(dir / "new", new_files);
    const std::string old_setup = mkinstaller_build({dir / "old", dir / "old-setup"});
    const std::string update = mkinstaller_build({"--update-from", old_setup, dir / "new", dir / "update"});

    const std::vector<std::pair<std::string, std::function<void(const std::string&)>>> cases = {
        {"No such file or directory", [](const std::string&) {}},
        {"Is a directory", [](const std::string& z) { fs::create_directory(z); }},
        {"Too many levels of symbolic links", [](const std::string& z) { fs::create_symlink("a0", z); }},
    };
    for (const auto& [error_text, replace] : cases) {
        SCOPED_TRACE(error_text);
        const std::string target = dir / ("target-" + std::to_string(&replace - &cases[0].second));
        install_into_existing(old_setup, target);
        fs::remove(target + "/z");
        replace(target + "/z");
        const auto r = run_process(update, {update}, {.input = answers_into_existing(target)});
        EXPECT_NE(r.err.find("Can't create file - " + error_text + " (err=5)."), std::string::npos)
            << r.err.substr(r.err.size() - std::min<std::size_t>(300, r.err.size()));
    }
}
