// The stub's regions have one set of bounds, the ones the stub is compiled with: a copy of the real stub
// whose capacity field claims more (or less) is refused by build before a byte is written, and in a
// crafted installer verify, license and info say what the installer itself does, which each case runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "builder_test_util.h"
#include "payload/installer_messages.h"
#include "payload/license_region.h"
#include "support/stub_regions.h"

namespace {

using namespace builder_test;

struct crafted_region {
    const char* name;  // as messages name the region
    const payload::region_bounds& bounds;
    std::string option, value;  // a build option that writes the region
};

const crafted_region REGIONS[] = {
    {"licence", payload::LICENSE_REGION, "--license", ""},
    {"profile", payload::PROFILE_REGION, "--title", "Acme Setup"},
};

// `image` with the capacity field of the region of `bounds` set to `capacity`.
std::string with_capacity(std::string image, const payload::region_bounds& bounds, std::uint32_t capacity) {
    put_u32(image, testing_support::region_offset(image, bounds.kept) + payload::REGION_CAPACITY_FIELD,
            capacity);
    return image;
}

class RegionBounds : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string source = dir / "src";
    std::string licence = dir / "LICENSE";

    void SetUp() override {
        write_timed_file(source + "/readme.txt", "read me\n");
        write_file(licence, "Terms.\n");
    }
    testing_support::process_result build(const crafted_region& region, const std::string& stub,
                                          const std::string& output) {
        return run_mkinstaller({"build", "--quiet", "--stub", stub, region.option,
                                region.value.empty() ? licence : region.value, source, output});
    }
};

TEST_F(RegionBounds, BuildRefusesAStubWhoseRegionDeclaresOtherBounds) {
    const std::string real = read_file(INSTALLER_PATH);
    for (const crafted_region& region : REGIONS) {
        // Past the area the stub reads (build would write zeros over the stub's own data), and short of it.
        for (const std::uint32_t capacity : {region.bounds.capacity + 4096, 100u}) {
            SCOPED_TRACE(std::string(region.name) + " " + std::to_string(capacity));
            write_file(dir / "stub", with_capacity(real, region.bounds, capacity));
            const auto r = build(region, dir / "stub", dir / "setup");
            EXPECT_EQ(r.exit_code, 1);
            EXPECT_NE(
                r.err.find("stub \"" + dir / "stub" + "\": its " + region.name +
                           " region declares a content area of " + std::to_string(capacity) +
                           " bytes, but the installer stub reads " + std::to_string(region.bounds.capacity)),
                std::string::npos)
                << r.err;
            EXPECT_FALSE(path_exists(dir / "setup"));
        }
    }
}

TEST_F(RegionBounds, ReadersSayWhatTheInstallerDoesWithACraftedRegion) {
    const std::string setup = dir / "setup";
    ASSERT_EQ(build(REGIONS[0], INSTALLER_PATH, setup).exit_code, 0);
    const std::string built = read_file(setup);
    const struct {
        const payload::region_bounds& bounds;
        std::uint32_t capacity;
        const char* stops_with;  // null: the installer shows the vendor's text
    } cases[] = {
        {payload::LICENSE_REGION, payload::LICENSE_TEXT_CAPACITY + 4096, payload::MESSAGE_LICENSE_CORRUPTED},
        {payload::PROFILE_REGION, payload::PROFILE_CONTENT_CAPACITY + 4096,
         payload::MESSAGE_PROFILE_CORRUPTED},
        {payload::LICENSE_REGION, 100, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capacity);
        const std::string crafted = dir / "crafted";
        write_file(crafted, with_capacity(built, c.bounds, c.capacity));
        chmod(crafted.c_str(), 0755);
        const auto run = testing_support::run_itself(crafted, "n\nd\nc\n");
        const auto verify = run_mkinstaller({"verify", crafted});
        const auto license = run_mkinstaller({"license", crafted});
        const auto info = run_mkinstaller({"info", crafted});
        EXPECT_EQ(verify.exit_code, 1);
        if (c.stops_with != nullptr) {
            ASSERT_EQ(run.err.rfind(c.stops_with, 0), 0u) << run.err;
            const std::string said =
                std::string("the installer refuses to start with \"") + c.stops_with + "\"";
            for (const std::string& text : {verify.err, license.err, info.out})
                EXPECT_NE(text.find(said), std::string::npos) << text;
            EXPECT_EQ(license.exit_code, 1);
            EXPECT_EQ(license.out, "");
            EXPECT_EQ(info.out.find("Terms."), std::string::npos) << info.out;
            EXPECT_EQ(info.out.find("Let's install"), std::string::npos) << info.out;
        } else {
            EXPECT_NE(run.err.find("\nTerms.\n"), std::string::npos) << run.err;
            EXPECT_EQ(license.out, "Terms.\n");
            EXPECT_NE(info.out.find("licence: 1 lines, the first \"Terms.\""), std::string::npos) << info.out;
            EXPECT_NE(verify.err.find("declares a content area of 100 bytes"), std::string::npos)
                << verify.err;
        }
    }
}

}  // namespace
