// The stub's regions have one set of bounds, the ones the stub is compiled with: a copy of the real stub
// whose capacity field claims more (or less) is refused by build before a byte is written, and in a
// crafted installer verify, license and info say what the installer itself does, which each case runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <tuple>

#include "builder_test_util.h"
#include "payload/installer_messages.h"
#include "payload/license_region.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;

// `image` with the capacity field of the region of `bounds` set to `capacity`.
std::string with_capacity(std::string image, const payload::region_bounds& bounds, std::uint32_t capacity) {
    put_u32(image, testing_support::region_offset(image, bounds.kept) + payload::REGION_CAPACITY_FIELD,
            capacity);
    return image;
}

TEST(RegionBounds, BuildRefusesAStubWhoseRegionDeclaresOtherBounds) {
    temp_dir dir;
    write_timed_file(dir / "src/readme.txt", "read me\n");
    write_file(dir / "LICENSE", "Terms.\n");
    const std::string real = read_file(INSTALLER_PATH);
    // Past the area the stub reads (build would write zeros over the stub's own data), and short of it.
    for (const auto& [name, bounds, option, value] :
         {std::tuple{"licence", payload::LICENSE_REGION, "--license", dir / "LICENSE"},
          std::tuple{"profile", payload::PROFILE_REGION, "--title", std::string("Acme Setup")}}) {
        for (const std::uint32_t capacity : {bounds.capacity + 4096, 100u}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(capacity));
            write_file(dir / "stub", with_capacity(real, bounds, capacity));
            const auto r = run_mkinstaller(
                {"build", "--quiet", "--stub", dir / "stub", option, value, dir / "src", dir / "setup"});
            EXPECT_EQ(r.exit_code, 1);
            EXPECT_NE(r.err.find("stub \"" + dir / "stub" + "\": its " + name +
                                 " region declares a content area of " + std::to_string(capacity) +
                                 " bytes, but the installer stub reads " + std::to_string(bounds.capacity)),
                      std::string::npos)
                << r.err;
            EXPECT_FALSE(path_exists(dir / "setup"));
        }
    }
}

TEST(RegionBounds, ReadersSayWhatTheInstallerDoesWithACraftedRegion) {
    temp_dir dir;
    write_timed_file(dir / "src/readme.txt", "read me\n");
    write_file(dir / "LICENSE", "Terms.\n");
    const std::string built =
        read_file(build_installer({"--quiet", "--license", dir / "LICENSE", dir / "src", dir / "setup"}));
    const std::string crafted = dir / "crafted";
    const std::tuple<const payload::region_bounds&, std::uint32_t, const char*> cases[] = {
        {payload::LICENSE_REGION, payload::LICENSE_TEXT_CAPACITY + 4096, payload::MESSAGE_LICENSE_CORRUPTED},
        {payload::PROFILE_REGION, payload::PROFILE_CONTENT_CAPACITY + 4096,
         payload::MESSAGE_PROFILE_CORRUPTED},
        {payload::LICENSE_REGION, 100, nullptr},  // null: the installer shows the vendor's text
    };
    for (const auto& [bounds, capacity, stops_with] : cases) {
        SCOPED_TRACE(capacity);
        write_file(crafted, with_capacity(built, bounds, capacity));
        chmod(crafted.c_str(), 0755);
        const auto run = testing_support::run_itself(crafted, "n\nd\nc\n");
        const auto verify = run_mkinstaller({"verify", crafted});
        const auto license = run_mkinstaller({"license", crafted});
        const auto info = run_mkinstaller({"info", crafted});
        EXPECT_EQ(verify.exit_code, 1);
        if (stops_with == nullptr) {
            EXPECT_NE(run.err.find("\nTerms.\n"), std::string::npos) << run.err;
            EXPECT_EQ(license.out, "Terms.\n");
            EXPECT_NE(info.out.find("licence: 1 lines, the first \"Terms.\""), std::string::npos) << info.out;
            EXPECT_NE(verify.err.find("declares a content area of 100 bytes"), std::string::npos)
                << verify.err;
            continue;
        }
        ASSERT_EQ(run.err.rfind(stops_with, 0), 0u) << run.err;
        for (const std::string& text : {verify.err, license.err, info.out})
            EXPECT_NE(text.find(std::string("refuses to start with \"") + stops_with), std::string::npos)
                << text;
        EXPECT_EQ(license.out, "");
        // None of the texts the installer never shows: the licence, the welcome line.
        EXPECT_EQ(info.out.find("Terms."), std::string::npos) << info.out;
        EXPECT_EQ(info.out.find("Let's install"), std::string::npos) << info.out;
    }
}

}  // namespace
