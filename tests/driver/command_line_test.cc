// The conventional command line (--installer-options gnu): reports, usage errors, unattended runs into
// every kind of target, the log, truthful statuses, named failures and the free-space check; and an
// installer without the setting, which ignores all of it.
#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "support/installer_run.h"
#include "support/private_mount.h"
#include "support/tree_snapshot.h"

namespace {

using namespace testing_support;

const std::vector<std::string> PRODUCT = {"--product", "foo", "--version", "1.0", "--platform", "linux"};
const std::vector<std::string> UNATTENDED = {"--unattended", "--accept-license"};

class CommandLine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new temp_dir;
        write_file(*dir_ / "src/lib/libfoo.so", "library bytes");
        write_file(*dir_ / "src/bin/tool", std::string(10000, 't'));
        gnu_ =
            mkinstaller_build(joined(PRODUCT, {"--installer-options", "gnu", *dir_ / "src", *dir_ / "gnu"}));
        plain_ = mkinstaller_build(joined(PRODUCT, {*dir_ / "src", *dir_ / "plain"}));
    }
    static void TearDownTestSuite() { delete dir_; }

    // Runs `image` with `args`, no standard input at all, in the test's own working directory.
    process_result run(const std::string& image, const std::vector<std::string>& args,
                       const std::string& input = "", const std::vector<std::string>& env = {}) const {
        return run_process(
            image, joined({image}, args),
            {.cwd = work_.path(), .input = input, .close_stdin = input.empty(), .env_set = env});
    }

    static bool installed(const std::string& target) {
        return std::filesystem::is_regular_file(target + "/bin/tool") &&
               read_file(target + "/lib/libfoo.so") == "library bytes" &&
               read_file(target + "/bin/tool") == std::string(10000, 't');
    }

    static inline temp_dir* dir_ = nullptr;
    static inline std::string gnu_, plain_;
    temp_dir work_;
};

TEST_F(CommandLine, ReportsAndUsageErrorsEndAtOnceWritingNothing) {
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;  // a pattern for all of standard output
        const char* err;  // one for all of standard error
    } cases[] = {
        {{"--help"}, 0, "Usage: \\S+ \\[OPTION\\]...\nInstalls foo 1.0.\n[^]*--accept-license[^]*", ""},
        {{"-h", "--version"}, 0, "Usage: [^]*", ""},
        {{"--version"}, 0, "foo 1.0 linux \\(build \\d{6}\\.\\d{6}\\)\n", ""},
        {{"--show-license"}, 0, "[^]*SOFTWARE LICENSE AGREEMENT[^]*\n", ""},
        {{"--check"}, 0, "\\S+: the installer is intact.\n", ""},
        {{"--list"}, 0, "[^]*  bin/tool\nstored [^]*  lib/libfoo.so\n", ""},
        {{"--info", "--list"}, 0, "Let's install  foo 1.0 linux[^]*\ninstaller options: gnu [^]*", ""},
        {{"--bogus"}, 2, "", "\\S+: unknown option '--bogus'\nUsage: [^]*"},
        {{"--unattended", "extra"}, 2, "", "\\S+: unexpected argument 'extra'\nUsage: [^]*"},
        {{"--target"}, 2, "", "\\S+: option needs a value: '--target'\nUsage: [^]*"},
        {{"--log"}, 2, "", "\\S+: option needs a value: '--log'\nUsage: [^]*"},
        {{"-autonext", "--Target=x"}, 2, "", "\\S+: unknown option '--Target=x'\n[^]*"},
        {{"--unattended", "--target=t"},
         1,
         "",
         "The licence agreement was not accepted: read it with \\S+ --show-license,\n"
         "then run again with --accept-license if you accept it \\(err=18\\).\n\n\nInstallation "
         "terminated.\n"},
        {joined(UNATTENDED, {"--target="}), 1, "",
         "[^]*\nA directory must be selected.\n\n\nInstallation terminated.\n"},
        {joined(UNATTENDED, {"--target=a b"}), 1, "",
         "[^]*Installation into a directory path containing spaces is not recommended.\n\n\nInstallation "
         "terminated.\n"},
        {joined(UNATTENDED, {"--target=t", "--log=no/such/dir/log"}), 1, "",
         "Can't open the log \"no/such/dir/log\" - No such file or directory \\(err=17\\).\n\n\nInstallation "
         "terminated.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const auto r = run(gnu_, c.args);
        EXPECT_EQ(r.exit_code, c.status) << r.err;
        EXPECT_TRUE(std::regex_match(r.out, std::regex(c.out))) << r.out;
        EXPECT_TRUE(std::regex_match(r.err, std::regex(c.err))) << r.err;
        EXPECT_TRUE(std::filesystem::is_empty(work_.path()));
    }
}

TEST_F(CommandLine, UnattendedRunsTakeEveryKindOfTargetWithoutInput) {
    const std::string file = work_ / "a-file";
    write_file(file, "mine");
    std::filesystem::create_directories(work_ / "existing/keep");
    const struct {
        std::string target;
        int status;
        std::vector<std::string> lines;  // in standard error, in order
    } cases[] = {
        {work_ / "absent/foo",
         0,
         {"Installing anywhere other than under", "Target directory: " + work_ / "absent/foo"}},
        {work_ / "existing", 0, {"Target directory: ", "The directory exists: files of the same names"}},
        {work_ / "bin/foo",
         0,
         {"Installing into a 'bin' directory is not recommended.", "Installing 2 files"}},
        {"relative", 0, {"Target directory: " + work_ / "relative"}},
        {file, 1, {"The directory already exists as a file.\n\n\nInstallation terminated.\n"}},
        {file + "/under", 1, {"Can't create directory \"" + file + "/under/bin\" - File exists (err=4)."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const auto r = run(gnu_, joined(UNATTENDED, {"--target", c.target}));
        EXPECT_EQ(r.exit_code, c.status) << r.err;
        std::size_t at = 0;
        for (const std::string& line : c.lines) {
            at = r.err.find(line, at);
            EXPECT_NE(at, std::string::npos) << line << "\n" << r.err;
        }
        EXPECT_EQ(r.err.find('\b'), std::string::npos);  // no progress drawings off a terminal
        const std::string absolute = c.target.starts_with('/') ? c.target : work_ / c.target;
        EXPECT_EQ(installed(absolute), c.status == 0);
    }
    EXPECT_TRUE(std::filesystem::exists(work_ / "existing/keep"));
    EXPECT_EQ(read_file(file), "mine");
    // --quiet writes nothing but failures.
    const auto quiet = run(gnu_, joined(UNATTENDED, {"-q", "--target", work_ / "quiet"}));
    EXPECT_EQ(quiet.exit_code, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_TRUE(installed(work_ / "quiet"));
}

TEST_F(CommandLine, TheLogHoldsWhatWasAskedChosenWrittenAndTheOutcome) {
    const std::string target = work_ / "t", log = work_ / "install.log";
    write_file(log, "an earlier line\n");
    write_file(target + "/lib/libfoo.so", "old");
    ASSERT_EQ(run(gnu_, {"--log", log, "--accept-license"}, "n\nn\n" + target + "\nn\nn\nc\n").exit_code, 0);
    const std::string expected =
        "installer: \\S+\n"
        "asked: \\[Next\\? Cancel\\?\\]\nanswered: n\n"
        "licence agreement: accepted with --accept-license\n"
        "asked: Use the default directory\\? \\[No\\? Yes\\? Cancel\\?\\]\nanswered: n\n"
        "asked: Select a different directory\\? \\[No\\? Yes\\? Cancel\\?\\]\nanswered: n\n"
        "target directory: " +
        target +
        "\n"
        "asked: \\[Back\\? Next\\? Cancel\\?\\]\nanswered: n\n"
        "installed: bin/tool\ninstalled: lib/libfoo.so\n"
        "asked: \\[Back\\? Next\\? Cancel\\?\\]\nanswered: c\n"
        "outcome: complete\n";
    EXPECT_TRUE(std::regex_match(read_file(log),
                                 std::regex("an earlier line\nstarted: [-0-9]+ [:0-9]+ UTC\n" + expected)))
        << read_file(log);
}

TEST_F(CommandLine, TheStatusTellsTheTruthAndTheBuiltInStubIgnoresEveryOption) {
    const std::string target = work_ / "t";
    // A cancel at the last question, after every file is in place: complete.
    const auto cancelled = run(gnu_, {}, answers_to_install(target) + "c\n");
    EXPECT_EQ(cancelled.exit_code, 0);
    EXPECT_TRUE(cancelled.err.ends_with("[Back? Next? Cancel?]: \n\nInstallation complete.\n\n"));
    EXPECT_TRUE(installed(target));
    // Standard input closed and no terminal: the welcome question ends at once, cancelled.
    const auto closed = run(gnu_, {});
    EXPECT_EQ(closed.exit_code, 2);
    EXPECT_FALSE(closed.timed_out);
    // --target with a person at the prompts: the directory is not asked for, its warnings are passed.
    const auto given = run(gnu_, {"--target", work_ / "given", "--accept-license"}, "n\nn\n");
    EXPECT_EQ(given.exit_code, 0) << given.err;
    EXPECT_NE(given.err.find("\n\nTarget directory: " + work_ / "given" + ".\n"), std::string::npos);
    EXPECT_EQ(given.err.find("Enter directory"), std::string::npos);
    // The built-in stub: every option but -autonext is an ignored argument, and the dialogue is as ever.
    const std::string answers = answers_to_install(work_ / "plain") + "n\n";
    const auto bare = run(plain_, {}, answers);
    std::filesystem::remove_all(work_ / "plain");
    const auto ignoring = run(plain_, {"--help", "--target", "x", "--unattended", "--bogus"}, answers);
    EXPECT_EQ(ignoring.exit_code, 0);
    EXPECT_EQ(ignoring.err, bare.err);
    EXPECT_EQ(ignoring.out, "");
    EXPECT_TRUE(installed(work_ / "plain"));
}

TEST_F(CommandLine, FailuresNameThePathAndTheFreeSpaceIsCheckedFirst) {
    const std::string target = work_ / "t";
    std::filesystem::create_directories(target + "/lib/libfoo.so/inside");
    const auto refused = run(gnu_, joined(UNATTENDED, {"--target", target}));
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_TRUE(
        refused.err.ends_with("Can't create file \"lib/libfoo.so\" - Is a directory (err=5).\n\n\n"
                              "Installation terminated.\n"))
        << refused.err;
    // A truncated installer: --check fails with the installation's message, and writes nothing.
    const std::string image = read_file(gnu_), cut = work_ / "cut";
    write_file(cut, image.substr(0, image.size() - 100));
    std::filesystem::permissions(cut, std::filesystem::perms::owner_all);
    const auto checked = run(cut, {"--check"});
    EXPECT_EQ(checked.exit_code, 1);
    EXPECT_TRUE(checked.err.starts_with("Corrupted file(s) (err=")) << checked.err;
    EXPECT_EQ(checked.err.find("Installation terminated."), std::string::npos);
    // 10013 bytes needed, a file system of one page.
    const std::string small = work_ / "small";
    std::filesystem::create_directory(small);
    const auto r = run_in_child([&] {
        if (!private_tmpfs(small, 0, "size=4k")) return 77;
        const auto full = run(gnu_, joined(UNATTENDED, {"--target", small + "/foo"}));
        std::fputs(full.err.c_str(), stderr);
        return full.exit_code == 1 && !std::filesystem::exists(small + "/foo") ? 0 : 1;
    });
    if (r.exit_code == 77) GTEST_SKIP() << "no private tmpfs here";
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("Not enough free space in \"" + small + "/foo\": 0.010 MiByte needed, "),
              std::string::npos)
        << r.err;
}

TEST_F(CommandLine, HomeStandsForTheUsersOwnDirectory) {
    const std::string home = work_ / "home";
    // Typed at the prompt, "~" and "$HOME" before a '/' or alone are the home directory.
    for (const std::string typed : {"~/typed", "$HOME/other", "~"}) {
        SCOPED_TRACE(typed);
        const auto r = run(gnu_, {}, answers_to_install(typed) + "n\n", {"HOME=" + home});
        const std::string expanded =
            home + typed.substr(typed.find('/') == std::string::npos ? typed.size() : typed.find('/'));
        EXPECT_TRUE(installed(expanded)) << r.err;
    }
    // The second default, for a user who cannot write where the first one lies.
    const std::string user = mkinstaller_build(joined(
        PRODUCT, {"--installer-options", "gnu", "--recommend", "/", "--default-dir", work_ / "locked/foo",
                  "--user-default-dir", "$HOME/foo", *dir_ / "src", work_ / "user"}));
    namespace fs = std::filesystem;
    for (const std::string& open : {dir_->path(), work_.path()}) fs::permissions(open, fs::perms(0755));
    fs::create_directories(work_ / "locked");
    fs::create_directories(home);
    ASSERT_EQ(chown(home.c_str(), 65534, 65534), 0);
    const auto as_nobody = run_in_child([&] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) return 77;
        const auto r = run(user, UNATTENDED, "", {"HOME=" + home});
        std::fputs(r.err.c_str(), stderr);
        return r.exit_code;
    });
    if (as_nobody.exit_code == 77) GTEST_SKIP() << "cannot become another user here";
    EXPECT_EQ(as_nobody.exit_code, 0) << as_nobody.err;
    EXPECT_NE(as_nobody.err.find("Target directory: " + home + "/foo\n"), std::string::npos) << as_nobody.err;
    EXPECT_TRUE(installed(home + "/foo"));
    // Root takes the first default.
    EXPECT_NE(
        run(user, UNATTENDED, "", {"HOME=" + home}).err.find("Target directory: " + work_ / "locked/foo\n"),
        std::string::npos);
}

}  // namespace
