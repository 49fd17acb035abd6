// The risk: an installation ended by a signal or a limit leaves the file it was writing, or that file's
// temporary, looking installed. The real installer is held inside one big file by its own progress line
// (held_installer.h) and signalled there: it must die by that signal without the file or its temporary,
// the files before it whole. SIGKILL cannot be caught: its temporary is left, and the next installation
// into the target removes it. A file beyond the process's size limit is a failed write, reported.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/held_installer.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"
#include "support/tree_snapshot.h"

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
namespace t = testing_support::texts;

using snapshot = std::map<std::string, std::string>;

// Shown shortened from its first '/' at index 40 or later: each drawing is some 770 characters, drawn
// over with as many backspaces, many times what the pipe and the gathered drawings hold.
const std::string DEEP = std::string(40, 'd') + "/" + std::string(250, 'e') + "/" + std::string(250, 'f') +
                         "/" + std::string(250, 'g');

// Text that compresses: decoded chunk by chunk, drawn at each change of the byte percentage.
std::string text_of(std::size_t size, int seed) {
    std::string text;
    for (int i = 0; text.size() < size; ++i)
        text += "line " + std::to_string(seed) + " " + std::to_string(i) + "\n";
    return text.substr(0, size);
}

// `files` beneath `root`, all of one fixed time, so that two trees differ only where their bytes do.
void write_tree(const std::string& root, const std::map<std::string, std::string>& files) {
    const timespec times[2] = {{.tv_sec = 1700000000, .tv_nsec = 0}, {.tv_sec = 1700000000, .tv_nsec = 0}};
    for (const auto& [name, bytes] : files) {
        write_file(root + "/" + name, bytes);
        utimensat(AT_FDCWD, (root + "/" + name).c_str(), times, 0);
    }
}

snapshot detailed(const std::string& root) {
    return tree_snapshot(root, snapshot_detail::with_modes_and_times);
}

// Into an existing target: Next at the existing-directory warning, Next to start.
std::string answers(const std::string& target) {
    return answers_to_install(target) + "n\nn\n";
}

void install(const std::string& image, const std::string& target) {
    fs::create_directories(target);
    const auto r = run_process(image, {image}, {.input = answers(target)});
    expect_clean_exit(r);
    EXPECT_TRUE(r.err.ends_with(t::COMPLETE))
        << r.err.substr(r.err.size() - std::min<std::size_t>(400, r.err.size()));
}

// One installer, a big file between small ones, built once for the suite.
class InterruptedInstall : public ::testing::Test {
  protected:
    static inline const std::string BIG = DEEP + "/big.txt";
    static inline const std::size_t BIG_SIZE = 1 << 20;

    static void SetUpTestSuite() {
        built = new temp_dir;
        write_tree(
            *built / "source",
            {{"a.txt", "first"}, {"b/b.txt", "second"}, {BIG, text_of(BIG_SIZE, 0)}, {"z.txt", "last"}});
        image = mkinstaller_build({*built / "source", *built / "setup"});
        install(image, *built / "fresh");
        fresh = detailed(*built / "fresh");
    }
    static void TearDownTestSuite() { delete built; }

    // What is left when the big file failed: the files before it and the directories made for it.
    static snapshot before_big() {
        snapshot left = {{"a.txt", "file first"}, {"b", "dir"}, {"b/b.txt", "file second"}};
        for (std::size_t slash = BIG.find('/'); slash != std::string::npos; slash = BIG.find('/', slash + 1))
            left[BIG.substr(0, slash)] = "dir";
        return left;
    }

    static inline temp_dir* built = nullptr;
    static inline std::string image;
    static inline snapshot fresh;
    temp_dir dir;
};

TEST_F(InterruptedInstall, ASignalInsideAFileEndsTheInstallerWithoutTheFileAndARunAfterCompletes) {
    for (const int signal : {SIGTERM, SIGQUIT, SIGKILL}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string target = dir / ("target-" + std::to_string(signal));
        fs::create_directories(target);
        const signalled_run run = signal_inside(image, answers(target), "/big.txt ", signal);
        ASSERT_TRUE(run.held) << "the installer ended before the big file: " << run.err;
        EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == signal) << run.status;

        snapshot left = tree_snapshot(target);
        const auto temporaries = temporaries_in(left);
        // Only a signal that cannot be caught leaves the temporary.
        EXPECT_LE(temporaries.size(), signal == SIGKILL ? 1u : 0u);
        for (const auto& path : temporaries) left.erase(path);
        EXPECT_EQ(snapshot_differences(left, before_big()), "");

        // The next run takes what it finds, the leftover temporary too, to the whole tree.
        install(image, target);
        EXPECT_EQ(snapshot_differences(detailed(target), fresh), "");
    }
}

TEST_F(InterruptedInstall, AFileBeyondTheSizeLimitIsErrorSavingDataWithoutTheFile) {
    const std::string target = dir / "target";
    fs::create_directories(target);
    // Room for standard error's file, not for the big one: past the limit a write fails (SIGXFSZ ignored).
    const auto r = run_process(image, {image}, {.input = answers(target), .file_size_limit = BIG_SIZE / 2});
    expect_clean_exit(r);
    EXPECT_TRUE(r.err.ends_with("Error saving data - File too large (err=1).\n" + t::TERMINATED))
        << r.err.substr(r.err.size() - std::min<std::size_t>(300, r.err.size()));
    EXPECT_EQ(snapshot_differences(tree_snapshot(target), before_big()), "");
}

TEST(InterruptedUpdate, KilledInsideABaseFileItRunsAgainToTheNewTree) {
    temp_dir dir;
    const std::string big1 = DEEP + "/big1.txt";
    const std::string big2 = DEEP + "/big2.txt";
    const std::map<std::string, std::string> old_files = {{"a.txt", "first"},
                                                          {big1, text_of(2 << 20, 1)},
                                                          {big2, text_of(1 << 20, 1)},
                                                          {"gone.txt", "gone"},
                                                          {"z.txt", "last"}};
    // big1 grows; big2 changes in its bytes alone, its size and time kept (as capped build times keep them).
    const std::map<std::string, std::string> new_files = {{"a.txt", "first, changed"},
                                                          {big1, text_of((2 << 20) + 4096, 2)},
                                                          {big2, text_of(1 << 20, 2)},
                                                          {"new.txt", "new"},
                                                          {"z.txt", "last"}};
    write_tree(dir / "old", old_files);
    write_tree(dir / "new", new_files);

    for (const removal_rule& rule : REMOVAL_RULES) {
        const std::string name = rule.name;
        const std::string old_setup =
            mkinstaller_build(joined(rule.options, {dir / "old", dir / ("old-setup-" + name)}));
        const std::string update = mkinstaller_build(
            joined(rule.options, {"--update-from", old_setup, dir / "new", dir / ("update-" + name)}));
        install(mkinstaller_build(joined(rule.options, {dir / "new", dir / ("new-setup-" + name)})),
                dir / ("fresh-" + name));
        const snapshot fresh = detailed(dir / ("fresh-" + name));

        // Killed inside the first big file, and inside the second, the first one placed.
        for (const std::string& inside : {big1, big2}) {
            const std::string file = inside.substr(inside.rfind('/') + 1);
            SCOPED_TRACE(name + ", killed inside " + file);
            const std::string target = dir / ("target-" + name + "-" + file);
            install(old_setup, target);
            const signalled_run run = signal_inside(update, answers(target), "/" + file + " ", SIGKILL);
            ASSERT_TRUE(run.held) << "the update ended before " << file << ": " << run.err;
            EXPECT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGKILL) << run.status;
            // Each big file's path holds one release's file whole, never a part; nothing only where the
            // rule removed the old one before writing the new.
            for (const std::string& big : {big1, big2}) {
                const std::string path = target + "/" + big;
                const bool there = fs::exists(path);
                const std::string bytes = there ? read_file(path) : "";
                EXPECT_TRUE(there ? bytes == old_files.at(big) || bytes == new_files.at(big)
                                  : rule.removes_first)
                    << big.substr(big.rfind('/') + 1) << ": "
                    << (there ? std::to_string(bytes.size()) + " bytes" : "missing");
            }

            install(update, target);
            EXPECT_EQ(snapshot_differences(detailed(target), fresh), "");
        }
    }
}

}  // namespace
