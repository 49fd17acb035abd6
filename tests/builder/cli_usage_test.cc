// mkinstaller's command line: help exits 0 with the usage on standard output; every malformed command
// line exits 2 with the usage on standard error and writes nothing.
#include <gtest/gtest.h>

#include "builder_test_util.h"

namespace {

using namespace builder_test;

TEST(CliUsage, HelpPrintsUsageWithAnExampleAndExitsZero) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--help"}, "mkinstaller verify [--any-stub] INSTALLER"},
        {{"-h"}, "mkinstaller list [--json] INSTALLER"},
        {{"build", "--help"}, "--build-time SECONDS"},
        {{"build", "src", "--product=x", "-h"}, "--stub PATH"},
        {{"list", "--help"}, "usage: mkinstaller list [--json] INSTALLER"},
        {{"verify", "-h"}, "usage: mkinstaller verify [--any-stub] INSTALLER"},
        {{"info", "--help"}, "usage: mkinstaller info INSTALLER"},
        {{"license", "--help"}, "usage: mkinstaller license INSTALLER"},
        {{"build", "--help"}, "--license FILE"},
        {{"build", "--help"}, "--exclude PATTERN"},
    };
    for (const auto& [args, words] : cases) {
        const auto r = run_mkinstaller(args);
        SCOPED_TRACE(args[0] + " " + (args.size() > 1 ? args[1] : ""));
        EXPECT_EQ(r.exit_code, 0);
        EXPECT_NE(r.out.find(words), std::string::npos) << r.out;
        const bool example = r.out.find("example: mkinstaller") != std::string::npos ||
                             r.out.find("examples:\n  mkinstaller") != std::string::npos;
        EXPECT_TRUE(example) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

TEST(CliUsage, MalformedCommandLinesExitTwoWithUsageOnStandardError) {
    testing_support::temp_dir dir;
    const std::string src = dir / "src";
    testing_support::write_file(src + "/f", "x");
    const std::string out = dir / "out";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"pack", src, out}, "unknown command \"pack\""},
        {{"--verbose"}, "unknown command \"--verbose\""},
        {{"--help", "build"}, "unexpected argument \"build\""},
        {{"--version", "build"}, "unexpected argument \"build\""},
        {{"build", "--compress", src, out}, "unknown option --compress"},
        {{"build", "-x", src, out}, "unknown option -x"},
        {{"build", src, out, "--product"}, "option --product needs a value"},
        {{"build", "--store=yes", src, out}, "option --store takes no value"},
        {{"build"}, "missing SOURCE_DIR and OUTPUT"},
        {{"build", src}, "missing OUTPUT"},
        {{"build", src, out, "extra"}, "unexpected argument \"extra\""},
        {{"list"}, "missing INSTALLER"},
        {{"list", out, out}, "unexpected argument"},
        {{"verify", "--product=x", out}, "unknown option --product"},
        {{"verify", "--store", out}, "unknown option --store"},
        {{"build", "--level=9", src, out, "--store"}, "--store and --level exclude each other"},
        {{"build", "-j", "0", src, out}, "-j takes a number of threads from 1 to 256, not \"0\""},
        {{"build", "--jobs=257", src, out}, "--jobs takes a number of threads from 1 to 256, not \"257\""},
        {{"build", "-jx", src, out}, "-j takes a number of threads from 1 to 256, not \"x\""},
        {{"build", "--jobs", "", src, out}, "--jobs takes a number"},
        {{"build", src, out, "-j"}, "option -j needs a value"},
        {{"list", "-j2", out}, "unknown option -j2"},
    };
    for (const auto& [args, words] : cases) {
        const auto r = run_mkinstaller(args);
        SCOPED_TRACE(words);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.err.rfind("mkinstaller: " + words, 0), 0u) << r.err;
        EXPECT_NE(r.err.find("usage: mkinstaller"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(path_exists(out));
}

TEST(CliUsage, VersionPrintsTheProjectsVersion) {
    const auto r = run_mkinstaller({"--version"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "mkinstaller " PROJECT_VERSION "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_NE(run_mkinstaller({"--help"}).out.find("mkinstaller --version\n"), std::string::npos);
}

TEST(CliUsage, OptionsTakeTheirValueEitherWayAndDoubleDashEndsThem) {
    testing_support::temp_dir dir;
    testing_support::write_file(dir / "-src/f", "x");
    testing_support::write_file(dir / "stub", fake_stub(FAKE_STUB_SIZE));
    const auto r = run_mkinstaller({"build", "--product", "P1", "--version=V=2", "--stub=stub",
                                    "--build-time", "5", "--store", "--", "-src", "out"},
                                   {}, dir.path());
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const auto listed = run_mkinstaller({"list", dir / "out"});
    EXPECT_NE(listed.out.find("product:            P1\nversion:            V=2\n"), std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("(5)"), std::string::npos);
}

}  // namespace
