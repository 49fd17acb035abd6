// build --license and the stub's identity: the text that fits and the text that does not, the programs
// that are not an installer stub (refused by build, reported by verify), and how info and license show
// what an installer carries.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder_test_util.h"
#include "payload/license_region.h"
#include "support/installer_run.h"

namespace {

using namespace builder_test;

class CliLicense : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string source = dir / "src";
    std::string output = dir / "setup";

    void SetUp() override { write_timed_file(source + "/readme.txt", "read me\n"); }

    testing_support::process_result build(std::vector<std::string> options) {
        options.insert(options.begin(), {"build", "--quiet"});
        options.insert(options.end(), {source, output});
        return run_mkinstaller(options);
    }

    // The licence line of info's report.
    std::string info_license_line() {
        const auto r = run_mkinstaller({"info", output});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        const std::size_t start = r.out.find("\nlicence: ") + 1;
        return r.out.substr(start, r.out.find('\n', start) + 1 - start);
    }
};

TEST_F(CliLicense, ATextUpToTheRegionsSizeIsWrittenAndReadBack) {
    std::string text;
    while (text.size() < payload::LICENSE_TEXT_CAPACITY) text += "x\n";
    write_file(dir / "LICENSE", text);
    ASSERT_EQ(build({"--license", dir / "LICENSE"}).exit_code, 0);
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", output}).exit_code, 0);
    EXPECT_EQ(info_license_line(), "licence: 32768 lines, the first \"x\"\n");
    EXPECT_EQ(run_mkinstaller({"license", output}).out, text);

    // One line more and the text is refused with its size and the limit, leaving nothing behind.
    write_file(dir / "LICENSE", text + "y\n");
    std::filesystem::remove(output);
    const auto r = build({"--license", dir / "LICENSE"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("takes 65538 bytes once laid out; the stub's licence region holds at most 65536"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(path_exists(output));
}

TEST_F(CliLicense, WithoutALicenceInfoAndLicenseNameTheBuiltInAgreement) {
    ASSERT_EQ(build({}).exit_code, 0);
    EXPECT_EQ(info_license_line(), "licence: the agreement built into the stub\n");
    // Texts written for the sample product, which another's installer would show: named by info, and by
    // a build that gives some settings of its own (an error with --strict).
    EXPECT_TRUE(run_mkinstaller({"info", output})
                    .out.ends_with("\nsample texts: title, thanks, closing text, existing-directory text, "
                                   "default directory, licence (written for VORNA)\n"));
    const std::string warning =
        "the installer of \"src\" shows texts written for the sample product VORNA: "
        "thanks, closing text, existing-directory text, default directory, licence";
    EXPECT_NE(build({"--title", "Src Setup"}).err.find(warning), std::string::npos);
    EXPECT_NE(build({"--title", "Src Setup", "--strict"}).err.find("mkinstaller: --strict: " + warning),
              std::string::npos);
    EXPECT_EQ(build({"--title", "X", "--product", "vorna"}).err, "");
    const auto r = run_mkinstaller({"license", output});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("carries no licence text of its own"), std::string::npos) << r.err;
}

TEST_F(CliLicense, BuildRefusesAStubWithoutTheInstallersIdentity) {
    write_file(dir / "twice", fake_stub(FAKE_STUB_SIZE) + fake_stub(FAKE_STUB_SIZE));
    write_file(dir / "cut", fake_stub(FAKE_STUB_SIZE).substr(0, 64 + 40));
    std::string damaged = fake_stub(FAKE_STUB_SIZE);
    put_u32(damaged, 64 + payload::REGION_LENGTH_FIELD, payload::LICENSE_TEXT_CAPACITY + 1);
    write_file(dir / "damaged", damaged);
    const std::pair<std::string, std::string> cases[] = {
        {"/bin/true", "is not an installer stub"},
        {dir / "twice", "carries the licence region's marker more than once"},
        {dir / "cut", "is cut short"},
        {dir / "damaged", "its licence region is damaged (its text length exceeds its text area)"},
    };
    for (const auto& [stub, message] : cases) {
        const auto r = build({"--stub", stub});
        EXPECT_EQ(r.exit_code, 1) << stub;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_FALSE(path_exists(output)) << stub;
    }
}

TEST_F(CliLicense, VerifyFailsWhenTheProgramInFrontIsNoStubOrItsRegionIsDamaged) {
    const std::string program = read_file("/bin/true");
    write_file(output, testing_support::installer_image(program, testing_support::payload_bytes({}),
                                                        (program.size() + 1023) / 1024 * 1024));
    auto r = run_mkinstaller({"verify", "--any-stub", output});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("verify: the program in front of the payload is not an installer stub"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(info_license_line(),
              "licence: none (the program in front of the payload is not an installer stub)\n");

    write_file(dir / "LICENSE", "Terms.\n");
    ASSERT_EQ(build({"--license", dir / "LICENSE"}).exit_code, 0);
    std::string image = read_file(output);
    const payload::region_marker marker = payload::make_region_marker(payload::LICENSE_MARKER_KEPT);
    image[image.find(std::string(marker.begin(), marker.end())) + payload::REGION_HEADER_SIZE] = 't';
    write_file(output, image);
    r = run_mkinstaller({"verify", "--any-stub", output});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.err.find("is damaged (its text fails its CRC); the installer refuses to start with "
                         "\"Corrupted licence text (err=13).\""),
              std::string::npos)
        << r.err;
    EXPECT_EQ(info_license_line(),
              "licence: region damaged (its text fails its CRC); the installer refuses to start with "
              "\"Corrupted licence text (err=13).\"\n");
}

}  // namespace

namespace {

// verify vouches only for the program this mkinstaller ships: another one, or the stub with one byte
// changed, fails unless --any-stub is given, and info and list --json say so; the stub's regions are
// read where it holds them, so a licence text that quotes the region's marker is no second region.
TEST_F(CliLicense, VerifyKnowsTheProgramItShips) {
    const std::string marker(
        reinterpret_cast<const char*>(payload::make_region_marker(payload::LICENSE_REGION.kept).data()),
        payload::REGION_MARKER_SIZE);
    write_file(dir / "LICENSE", "Terms.\n" + marker + "\n");
    ASSERT_EQ(build({"--stub", INSTALLER_PATH, "--license", dir / "LICENSE"}).exit_code, 0);
    EXPECT_EQ(run_mkinstaller({"verify", output}).exit_code, 0);
    EXPECT_EQ(info_license_line(), "licence: 2 lines, the first \"Terms.\"\n");
    EXPECT_NE(run_mkinstaller({"list", "--json", output}).out.find("\"stub_shipped\": true"),
              std::string::npos);

    std::string image = read_file(output);
    constexpr std::size_t ENTRY_POINT = 24;  // the ELF header's entry address: no region is there
    image[ENTRY_POINT] ^= 1;
    write_file(output, image);
    const auto r = run_mkinstaller({"verify", output});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(
        r.err.find("is not a stub this mkinstaller ships (compared with \"" + std::string(INSTALLER_PATH) +
                   "\", it differs from it at offset " + std::to_string(ENTRY_POINT) + ")"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", output}).exit_code, 0);
    EXPECT_EQ(
        run_mkinstaller({"info", output}).out.rfind("warning: the program in front of the payload is not", 0),
        0u);
    EXPECT_NE(run_mkinstaller({"list", "--json", output}).out.find("\"stub_shipped\": false"),
              std::string::npos);
}

}  // namespace
