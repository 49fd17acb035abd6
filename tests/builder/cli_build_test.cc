// mkinstaller build run as a program: the output file itself, reproducibility, the default stub, and every
// error exiting 1 without leaving any output behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>

#include "builder_test_util.h"
#include "payload/header_block.h"
#include "support/temp_dir.h"

namespace {

using namespace builder_test;
using testing_support::read_file;
using testing_support::temp_dir;
using testing_support::write_file;

class CliBuild : public testing::Test {
  protected:
    temp_dir dir;
    std::string source = dir / "src/vorna";
    std::string stub = dir / "stub";
    std::string output = dir / "out/setup";

    void SetUp() override {
        write_timed_file(source + "/bin/vorna", junk_bytes(5000));
        write_timed_file(source + "/docs/readme.txt", "read me\n");
        write_file(stub, junk_bytes(3000));
        std::filesystem::create_directories(dir / "out");
    }

    testing_support::process_result build(std::vector<std::string> options,
                                          std::vector<std::string> env = {}) {
        options.insert(options.begin(), {"build", "--stub", stub});
        options.insert(options.end(), {source, output});
        return run_mkinstaller(options, std::move(env));
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
    EXPECT_EQ(std::string(image.data() + 3072 + payload::HEADER_PRODUCT_NAME), "vorna");
    EXPECT_EQ(run_mkinstaller({"verify", output}).exit_code, 0);
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
    EXPECT_EQ(get_u32(read_file(output), 3072 + payload::HEADER_BUILD_TIME), 1234u);
}

TEST_F(CliBuild, ReplacesAnExistingOutputWhole) {
    write_file(output, std::string(100000, 'o'));
    ASSERT_EQ(build({}).exit_code, 0);
    const std::string image = read_file(output);
    EXPECT_EQ(image.substr(0, 3000), junk_bytes(3000));
    EXPECT_EQ(run_mkinstaller({"verify", output}).exit_code, 0);
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
        {"long product",
         {"build", "--stub", stub, "--product", std::string(64, 'p'), source, output},
         "at most 63"},
        {"build time range",
         {"build", "--stub", stub, "--build-time", "2147483648", source, output},
         "32-bit"},
        {"build time text",
         {"build", "--stub", stub, "--build-time", "soon", source, output},
         "whole number"},
        {"dangling link",
         {"build", "--stub", stub, source, output},
         "dangling symbolic link",
         [&] { ASSERT_EQ(symlink("missing", (source + "/docs/gone").c_str()), 0); }},
        {"backslash",
         {"build", "--stub", stub, source, output},
         "must not contain '\\'",
         [&] { write_file(source + "/docs/a\\b", "x"); }},
        {"huge file",
         {"build", "--stub", stub, source, output},
         "files must be below 4 GiB",
         [&] {
             write_file(source + "/huge", "");
             ASSERT_EQ(truncate((source + "/huge").c_str(), 0x100000000LL), 0);
         }},
        {"file time",
         {"build", "--stub", stub, source, output},
         "does not fit a signed 32-bit count",
         [&] { write_timed_file(source + "/late", "x", 4102444800LL); }},
        {"stub holding a payload",
         {"build", "--stub", dir / "built", source, output},
         "stub already holds a header block",
         [&] {
             ASSERT_EQ(run_mkinstaller({"build", "--stub", stub, source, dir / "built"}).exit_code, 0);
         }},
        {"output directory missing", {"build", "--stub", stub, source, dir / "none/setup"}, "cannot create"},
        {"sizes beyond 32 bits",
         {"build", "--stub", stub, source, output},
         "the files add up to 42949",
         [&] {
             for (const char* name : {"/half1", "/half2"}) {
                 write_file(source + name, "");
                 ASSERT_EQ(truncate((source + name).c_str(), 0x80000000LL), 0);
             }
         }},
        {"delete upwards", {"build", "--stub", stub, "--delete", "lib/../../etc", source, output}, "\"..\""},
        {"delete absolute", {"build", "--stub", stub, "--delete", "/etc/passwd", source, output}, "relative"},
        {"delete empty component", {"build", "--stub", stub, "--delete=a//b", source, output}, "empty"},
        {"delete dot", {"build", "--stub", stub, "--delete", "./a", source, output}, "\".\""},
        {"delete backslash", {"build", "--stub", stub, "--delete", "a\\b", source, output}, "'\\'"},
        {"delete nothing", {"build", "--stub", stub, "--delete=", source, output}, "needs a path"},
        {"delete too long",
         {"build", "--stub", stub, "--delete", std::string(4091, 'd'), source, output},
         "4091 bytes long; at most 4090"},
        {"same name",
         {"build", "--stub", stub, source, output},
         "only \"docs/vorna\" survives",
         [&] { write_timed_file(source + "/docs/vorna", "a second vorna"); }},
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
    EXPECT_EQ(run_mkinstaller({"verify", output}).exit_code, 0);
}

TEST_F(CliBuild, FailedBuildLeavesAnEarlierOutputUntouched) {
    write_file(output, "previous installer");
    ASSERT_EQ(symlink("missing", (source + "/docs/gone").c_str()), 0);
    EXPECT_EQ(build({}).exit_code, 1);
    EXPECT_EQ(read_file(output), "previous installer");
    EXPECT_EQ(dir_names(dir / "out"), std::vector<std::string>{"setup"});
}

}  // namespace

namespace {

using namespace builder_test;
using testing_support::read_file;
using testing_support::temp_dir;

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
        EXPECT_EQ(run_mkinstaller({"verify", dir / "setup"}).exit_code, 0);
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
