// Build settings: defaults, the build time's sources and range, and the text lengths the header allows.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/pack/build_settings.h"
#include "builder/util/error.h"
#include "support/temp_dir.h"

namespace {

using builder::build_arguments;
using builder::build_environment;
using builder::resolve_build_settings;

build_arguments arguments(const std::string& source = "/data/dist/vorna") {
    build_arguments args;
    args.source_dir = source;
    args.output = "out";
    return args;
}

// A prefix holding bin/installer, as a build tree has it beside mkinstaller.
const std::string& tools_prefix() {
    static const testing_support::temp_dir prefix;
    static const bool made = (testing_support::write_file(prefix / "bin/installer", "stub"), true);
    (void)made;
    return prefix.path();
}

build_environment environment(const char* source_date_epoch = nullptr) {
    return build_environment{source_date_epoch, 1600000000, tools_prefix() + "/bin"};
}

TEST(BuildSettings, DefaultsComeFromTheSourceDirectoryAndMkinstallersPlace) {
    const auto s = resolve_build_settings(arguments("/data/dist/vorna/"), environment());
    EXPECT_EQ(s.product, "vorna");
    EXPECT_EQ(s.version, "1.0");
    EXPECT_EQ(s.platform, "for Linux");
    EXPECT_EQ(s.stub, tools_prefix() + "/bin/installer");
    EXPECT_EQ(s.build_time, 1600000000);
    EXPECT_FALSE(s.store);
    // One thread per online core unless -j says otherwise.
    build_environment cores = environment();
    cores.online_cores = 3;
    EXPECT_EQ(resolve_build_settings(arguments(), cores).jobs, 3u);
    build_arguments one = arguments();
    one.jobs = 1;
    EXPECT_EQ(resolve_build_settings(one, cores).jobs, 1u);
}

TEST(BuildSettings, DefaultProductIsTheLastComponentAsGiven) {
    EXPECT_EQ(resolve_build_settings(arguments("dist//vorna-2/./"), environment()).product, "vorna-2");
    const std::string here = std::filesystem::current_path().filename().string();
    EXPECT_EQ(resolve_build_settings(arguments("."), environment()).product, here);
    build_environment unknown_place = environment();
    unknown_place.own_directory.clear();
    EXPECT_THROW(resolve_build_settings(arguments(), unknown_place), builder::error);
    auto args = arguments();
    args.stub = "my-stub";
    EXPECT_EQ(resolve_build_settings(args, unknown_place).stub, "my-stub");
}

TEST(BuildSettings, StubBesideMkinstallerElseInstalledInLibexecElseAnErrorNamingBoth) {
    testing_support::temp_dir prefix;
    const build_environment installed{nullptr, 1600000000, prefix / "bin"};
    try {
        resolve_build_settings(arguments(), installed);
        ADD_FAILURE() << "no stub anywhere, yet no error";
    } catch (const builder::error& e) {
        const std::string message = e.what();
        EXPECT_NE(message.find('"' + prefix / "bin/installer\""), std::string::npos) << message;
        EXPECT_NE(message.find('"' + prefix / "libexec/mkinstaller/installer\""), std::string::npos)
            << message;
    }
    testing_support::write_file(prefix / "libexec/mkinstaller/installer", "stub");
    EXPECT_EQ(resolve_build_settings(arguments(), installed).stub, prefix / "libexec/mkinstaller/installer");
    testing_support::write_file(prefix / "bin/installer", "stub");
    EXPECT_EQ(resolve_build_settings(arguments(), installed).stub, prefix / "bin/installer");
}

TEST(BuildSettings, BuildTimeFromOptionThenSourceDateEpochThenNow) {
    auto args = arguments();
    EXPECT_EQ(resolve_build_settings(args, environment("1234")).build_time, 1234);
    EXPECT_EQ(resolve_build_settings(args, environment("")).build_time, 1600000000);
    args.build_time = "-2147483648";
    EXPECT_EQ(resolve_build_settings(args, environment("1234")).build_time, -2147483647 - 1);
    args.build_time = "2147483647";
    EXPECT_EQ(resolve_build_settings(args, environment()).build_time, 2147483647);
}

TEST(BuildSettings, BuildTimesThatAreNotSigned32BitSecondsAreRefused) {
    for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999", "12s", "", " 5", "1.5"}) {
        auto args = arguments();
        args.build_time = bad;
        EXPECT_THROW(resolve_build_settings(args, environment()), builder::error) << bad;
        EXPECT_THROW(resolve_build_settings(arguments(), environment(bad[0] ? bad : "x")), builder::error)
            << bad;
    }
    build_environment late = environment();
    late.now = 2147483648;
    EXPECT_THROW(resolve_build_settings(arguments(), late), builder::error);
}

TEST(BuildSettings, TextsMustLeaveRoomForTheirNul) {
    auto args = arguments();
    args.product = std::string(63, 'p');
    args.version = std::string(63, 'v');
    args.platform = std::string(63, 'l');
    EXPECT_EQ(resolve_build_settings(args, environment()).platform.size(), 63u);
    for (auto field : {&build_arguments::product, &build_arguments::version, &build_arguments::platform}) {
        auto longer = args;
        longer.*field = std::string(64, 'x');
        EXPECT_THROW(resolve_build_settings(longer, environment()), builder::error);
    }
    EXPECT_THROW(resolve_build_settings(arguments("/data/" + std::string(64, 'n')), environment()),
                 builder::error);
}

}  // namespace
