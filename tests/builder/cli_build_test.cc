// mkinstaller build run as a program: the output file itself, reproducibility, the default stub, and every
// error exiting 1 without leaving any output behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>

#include "builder_fixtures.h"
#include "payload/header_block.h"

namespace {

using namespace builder_test;

class CliBuild : public stub_build_fixture {
  protected:
    void SetUp() override {
        stub_build_fixture::SetUp();
        write_tree(source, {{"bin/vorna", junk_bytes(5000)}, {"docs/readme.txt", "read me\n"}});
    }
};

TEST_F(CliBuild, WritesAnExecutableInstallerThatVerifies) {
    const auto r = build({"--build-time", "1700000000"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("2 entries"), std::string::npos) << r.out;
    struct stat st {};
    ASSERT_EQ(stat(output.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{"setup"});
    const std::string image = read_file(output);
    EXPECT_EQ(std::string(image.data() + FAKE_HEADER_OFFSET + payload::HEADER_PRODUCT_NAME), "vorna");
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", output}).exit_code, 0);
}

TEST_F(CliBuild, SameTreeAndBuildTimeGiveIdenticalBytes) {
    ASSERT_EQ(build({"--build-time=1700000000"}).exit_code, 0);
    const std::string first = read_file(output);
    write_timed_file(source + "/docs/readme.txt", "read me\n");  // rewritten, same bytes and time
    ASSERT_EQ(build({"--build-time=1700000000"}).exit_code, 0);
    EXPECT_EQ(read_file(output), first);

    ASSERT_EQ(build({}, {"SOURCE_DATE_EPOCH=1700000000"}).exit_code, 0);
    EXPECT_EQ(read_file(output), first);

    ASSERT_EQ(build({"--build-time", "1234"}, {"SOURCE_DATE_EPOCH=1700000000"}).exit_code, 0);
    EXPECT_EQ(get_u32(read_file(output), FAKE_HEADER_OFFSET + payload::HEADER_BUILD_TIME), 1234u);
}

TEST_F(CliBuild, ReplacesAnExistingOutputWhole) {
    write_file(output, std::string(100000, 'o'));
    ASSERT_EQ(build({}).exit_code, 0);
    const std::string image = read_file(output);
    EXPECT_EQ(image.substr(0, STUB_SIZE), fake_stub(STUB_SIZE));
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", output}).exit_code, 0);
}

TEST_F(CliBuild, DefaultStubIsTheInstallerBesideMkinstaller) {
    const auto r = run_mkinstaller({"build", source, output});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string installer = read_file(INSTALLER_PATH);
    EXPECT_EQ(read_file(output).substr(0, installer.size()), installer);
}

TEST_F(CliBuild, SkippedFilesAreWarnedAboutOnStandardError) {
    ASSERT_EQ(mkfifo((source + "/docs/pipe").c_str(), 0644), 0);
    const auto r = build({});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.err.find("mkinstaller: warning: skipping \"docs/pipe\": fifo"), std::string::npos) << r.err;
}

TEST_F(CliBuild, ErrorsExitOneAndLeaveNoOutput) {
    struct error_case {
        const char* what;
        std::vector<std::string> args;
        std::string words;
        std::function<void()> prepare = [] {};
    };
    const std::vector<error_case> cases = {
        {"missing source", {"build", "--stub", stub, dir / "nope", output}, "cannot open source directory"},
        {"missing stub", {"build", "--stub", dir / "nostub", source, output}, "cannot open stub"},
        {"long product", build_args({"--product", std::string(64, 'p')}), "at most 63"},
        {"build time range", build_args({"--build-time", "2147483648"}), "32-bit"},
        {"build time text", build_args({"--build-time", "soon"}), "whole number"},
        {"dangling link", build_args({}), "dangling symbolic link",
         [&] { ASSERT_EQ(symlink("missing", (source + "/docs/gone").c_str()), 0); }},
        {"backslash", build_args({}), "must not contain '\\'",
         [&] { write_file(source + "/docs/a\\b", "x"); }},
        {"huge file", build_args({}), "files must be below 4 GiB",
         [&] {
             write_file(source + "/huge", "");
             ASSERT_EQ(truncate((source + "/huge").c_str(), 0x100000000LL), 0);
         }},
        {"file time", build_args({}), "does not fit a signed 32-bit count",
         [&] { write_timed_file(source + "/late", "x", 4102444800LL); }},
        {"stub holding a payload",
         {"build", "--stub", dir / "built", source, output},
         "stub already holds a header block",
         [&] {
             build_installer({"--stub", stub, source, dir / "built"});
         }},
        {"output directory missing", {"build", "--stub", stub, source, dir / "none/setup"}, "cannot create"},
        {"sizes beyond 32 bits", build_args({}), "the files add up to 42949",
         [&] {
             for (const char* name : {"/half1", "/half2"}) {
                 write_file(source + name, "");
                 ASSERT_EQ(truncate((source + name).c_str(), 0x80000000LL), 0);
             }
         }},
        {"delete upwards", build_args({"--delete", "lib/../../etc"}), "\"..\""},
        {"delete absolute", build_args({"--delete", "/etc/passwd"}), "relative"},
        {"delete empty component", build_args({"--delete=a//b"}), "empty"},
        {"delete dot", build_args({"--delete", "./a"}), "\".\""},
        {"delete backslash", build_args({"--delete", "a\\b"}), "'\\'"},
        {"delete nothing", build_args({"--delete="}), "needs a path"},
        {"delete too long", build_args({"--delete", std::string(4091, 'd')}),
         "4091 bytes long; at most 4090"},
        {"same name", build_args({}), "only \"docs/vorna\" survives",
         [&] { write_timed_file(source + "/docs/vorna", "a second vorna"); }},
        {"control byte in a name", build_args({}),
         "\"docs/red\\x1b[31m\\r\": names must not contain control characters",
         [&] { write_timed_file(source + "/docs/red\x1b[31m\r", "x"); }},
        {"control byte in the product", build_args({"--product", "VORNA\x7f"}),
         "product name \"VORNA\\x7f\" must not contain control characters"},
        {"control byte in a delete path", build_args({"--delete", "old\nlib"}),
         "--delete \"old\\nlib\": names must not contain control characters"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare();
        const auto r = run_mkinstaller(c.args);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err.rfind("mkinstaller: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("usage:"), std::string::npos);
        EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{}) << "nothing left beside OUTPUT";
        std::filesystem::remove_all(source);
        SetUp();
    }
}

TEST_F(CliBuild, NameTooLongForARecordIsRefusedBeforeOutput) {
    struct deep_cleanup {
        std::string root;
        ~deep_cleanup() { remove_deep_tree(root); }
    } cleanup{source};
    make_deep_file(source, 4091);
    const auto r = build({});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("4091 bytes long; at most 4090 fit a record"), std::string::npos) << r.err;
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{});
}

TEST_F(CliBuild, EmptyDirectoriesAndSpecialFilesAreWarnedAboutAndLeftOut) {
    std::filesystem::create_directories(source + "/var/empty");
    ASSERT_EQ(mkfifo((source + "/docs/pipe").c_str(), 0644), 0);
    const auto r = build({});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err,
              "mkinstaller: warning: skipping \"docs/pipe\": fifo\n"
              "mkinstaller: warning: skipping empty directory \"var/empty\": an installer cannot hold a "
              "directory without files\n");
    EXPECT_NE(r.out.find("2 entries"), std::string::npos) << r.out;
}

TEST_F(CliBuild, QuietSaysNothingWhenAllIsWell) {
    const auto r = build({"--quiet"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", output}).exit_code, 0);
}

TEST_F(CliBuild, StrictTurnsEveryWarningIntoAnError) {
    ASSERT_EQ(mkfifo((source + "/docs/pipe").c_str(), 0644), 0);
    std::filesystem::create_directories(source + "/run");
    ASSERT_EQ(mkfifo((source + "/run/socket-stand-in").c_str(), 0644), 0);
    const auto warned = build({});
    ASSERT_EQ(warned.exit_code, 0) << warned.err;
    const std::string left_empty =
        "skipping directory \"run\": it holds nothing but skipped entries, and an installer cannot hold a "
        "directory without files";
    EXPECT_NE(warned.err.find("mkinstaller: warning: " + left_empty + "\n"), std::string::npos) << warned.err;

    std::filesystem::remove(output);
    const auto refused = build({"--strict"});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_EQ(refused.err,
              "mkinstaller: --strict: 3 warnings are errors:\n  skipping \"docs/pipe\": fifo\n"
              "  skipping \"run/socket-stand-in\": fifo\n  " +
                  left_empty + "\n");
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{});
}

TEST_F(CliBuild, ChecksumFileIsReadBySha256sum) {
    testing_support::process_options in_out;
    in_out.cwd = dir / "out";
    const auto sha256sum = [&](const std::vector<std::string>& args) {
        std::vector<std::string> argv{"env", "sha256sum"};
        argv.insert(argv.end(), args.begin(), args.end());
        return testing_support::run_process("/usr/bin/env", argv, in_out);
    };
    // sha256sum escapes a name holding a backslash, and takes "-" for standard input: -c must read the
    // file back all the same.
    for (const std::string name : {"setup", "set\\up", "-"}) {
        SCOPED_TRACE(name);
        const std::string named = name == "-" ? "./-" : name;
        output = dir / ("out/" + name);
        const auto r = build({"--checksum"});
        ASSERT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(read_file(output + ".sha256"), sha256sum({named}).out);
        const auto check = sha256sum({"-c", "./" + name + ".sha256"});
        EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
        EXPECT_EQ(check.out, named + ": OK\n");
        // Text to read, not a program: 0644 whatever the installer's own mode.
        struct stat st {};
        ASSERT_EQ(stat((output + ".sha256").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0644u);
    }
    write_file(output, "changed");
    EXPECT_EQ(sha256sum({"--quiet", "-c", output + ".sha256"}).exit_code, 1);
}

// 20,000 nested directories: no name beneath the 2,045th level fits a record, and the scan stops there.
// Made on tmpfs where there is one: a journalled disk shared with other work may take a minute to remove
// them, tmpfs a second.
TEST_F(CliBuild, VeryDeepTreeIsRefusedWithoutCrashing) {
    char shm_dir[] = "/dev/shm/deeptree.XXXXXX";
    const std::string base = mkdtemp(shm_dir) != nullptr ? shm_dir : dir.path();
    struct rm_cleanup {
        std::string root;
        ~rm_cleanup() { testing_support::run_process("/usr/bin/env", {"env", "rm", "-rf", root}); }
    } cleanup{base == dir.path() ? base + "/deep" : base};
    const std::string deep = base + "/deep";
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    int fd = open(deep.c_str(), O_RDONLY | O_DIRECTORY);
    for (int depth = 0; depth < 20000 && fd >= 0; ++depth) {
        ASSERT_EQ(mkdirat(fd, "d", 0755), 0);
        const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
        close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    close(fd);
    const auto r = run_mkinstaller({"build", "--stub", stub, deep, output});
    EXPECT_EQ(r.term_signal, 0);
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err.rfind("mkinstaller: name of \"d/d/d/", 0), 0u) << r.err.substr(0, 200);
    EXPECT_NE(r.err.find("is 4091 bytes long; at most 4090 fit a record"), std::string::npos);
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{});
}

TEST_F(CliBuild, FailedBuildLeavesAnEarlierOutputUntouched) {
    write_file(output, "previous installer");
    ASSERT_EQ(symlink("missing", (source + "/docs/gone").c_str()), 0);
    EXPECT_EQ(build({}).exit_code, 1);
    EXPECT_EQ(read_file(output), "previous installer");
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{"setup"});
}

// The method `list` shows for the entry called `name`.
std::string method_listed(const std::string& listing, const std::string& name) {
    std::size_t end = listing.find("  " + name + "\n");
    if (end == std::string::npos) return "(not listed)";
    const std::size_t start = listing.rfind('\n', end) + 1;
    return listing.substr(start, listing.find(' ', start) - start);
}

// Each file is compressed unless that would not make it smaller; the installer reads both forms.
TEST(BuildMethods, CompressesWhatShrinksAndStoresTheRest) {
    temp_dir dir;
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i % 17) + " of a compressible text file\n";
    std::mt19937 random(42);
    std::string noise(4000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    write_timed_file(dir / "src/text.txt", text);
    write_timed_file(dir / "src/noise.bin", noise);
    write_timed_file(dir / "src/empty", "");
    for (const char* level : {"1", "6", "9"}) {
        const auto built = run_mkinstaller({"build", "--level", level, dir / "src", dir / "setup"});
        ASSERT_EQ(built.exit_code, 0) << built.err;
        const std::string listing = run_mkinstaller({"list", dir / "setup"}).out;
        EXPECT_EQ(method_listed(listing, "text.txt"), "compressed") << listing;
        EXPECT_EQ(method_listed(listing, "noise.bin"), "stored") << listing;
        EXPECT_EQ(method_listed(listing, "empty"), "stored") << listing;
        EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", dir / "setup"}).exit_code, 0);
        const auto extracted = run_mkinstaller({"extract", "--force", dir / "setup", dir / "out"});
        ASSERT_EQ(extracted.exit_code, 0) << extracted.err;
        EXPECT_EQ(read_file(dir / "out/text.txt"), text);
        EXPECT_EQ(read_file(dir / "out/noise.bin"), noise);
    }
    ASSERT_EQ(run_mkinstaller({"build", "--store", dir / "src", dir / "stored"}).exit_code, 0);
    EXPECT_EQ(method_listed(run_mkinstaller({"list", dir / "stored"}).out, "text.txt"), "stored");
}

TEST(BuildMethods, LevelMustBeOneToNine) {
    temp_dir dir;
    write_timed_file(dir / "src/a", "a");
    for (const char* level : {"0", "10", "x", "", "-1"}) {
        const auto r = run_mkinstaller({"build", "--level", level, dir / "src", dir / "setup"});
        EXPECT_EQ(r.exit_code, 1) << level;
        EXPECT_NE(r.err.find("--level"), std::string::npos) << r.err;
        EXPECT_FALSE(path_exists(dir / "setup"));
    }
}

}  // namespace
