// A vendor's licence written into the installer by mkinstaller build --license: the real installer shows
// it exactly, on the terminal at once, line by line and on the printer; an installer built without one
// is the stub byte for byte and shows the built-in agreement; a damaged licence region stops the installer
// before its welcome screen instead of showing it.
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "payload/le_bytes.h"
#include "payload/license_region.h"
#include "support/dialogue_fixture.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

const std::string URL = "https://example.com/licences/" + std::string(61, 'a');  // 90 characters
std::string repeated(const std::string& piece, std::size_t count) {
    std::string s;
    for (std::size_t i = 0; i < count; ++i) s += piece;
    return s;
}
const std::string WORDS_84 = repeated("abcd ", 16) + "abcd";  // a blank at column 80

// The file as a vendor might write it: a byte order mark, CR LF here and there, a tab, a long URL inside
// a sentence, 79 two-byte characters, and no line feed at the end.
const std::string VENDOR_FILE =
    "\xEF\xBB\xBF"
    "ACME TOOLS LICENCE AGREEMENT\r\n\r\n"
    "Copyright \xC2\xA9 2026 ACME Tools Ltd.\tAll rights reserved.\n"
    "The full terms are published at " +
    URL + " and bind you.\n" + std::string(72, '*') + "\n" + WORDS_84 + "\n" + repeated("\xC3\xA9", 79) +
    "\nLast line without a line feed";

// What the installer must show, one entry per line, laid out by hand.
const std::vector<std::string> VENDOR_LINES = {
    "ACME TOOLS LICENCE AGREEMENT",
    "",
    "Copyright \xC2\xA9 2026 ACME Tools Ltd." + std::string(8, ' ') + "All rights reserved.",
    "The full terms are published at",
    URL,
    "and bind you.",
    std::string(72, '*'),
    repeated("abcd ", 15) + "abcd",
    "abcd",
    repeated("\xC3\xA9", 79),
    "Last line without a line feed",
};

// The lines as the installer's own list is laid out (title, lines, null end), for the texts helpers.
std::vector<const char*> as_license_list(const std::vector<std::string>& lines) {
    std::vector<const char*> list{t::LICENSE_TITLE.c_str()};
    for (const auto& line : lines) list.push_back(line.c_str());
    list.push_back(nullptr);
    return list;
}

const std::string BUILT_IN_RUN = UP_TO_LICENSE_PROMPT + t::TERMINATED;

class VendorLicense : public ::testing::Test {
  protected:
    temp_dir dir;

    // mkinstaller build of the default test product with the real stub, and `options`; returns the path.
    std::string build(const std::string& name, std::vector<std::string> options) {
        write_file(dir / "src/readme.txt", "read me\n");
        std::vector<std::string> argv{"mkinstaller", "build",  "--quiet",     "--product", "VORNA",
                                      "--version",   "1.0",    "--platform",  "for Linux", "--build-time",
                                      "1700000000",  "--stub", INSTALLER_PATH};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), {dir / "src", dir / name});
        const auto r = run_process(MKINSTALLER_PATH, argv);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return dir / name;
    }

    std::string build_vendor() {
        write_file(dir / "LICENSE.txt", VENDOR_FILE);
        return build("vendor", {"--license", dir / "LICENSE.txt"});
    }

    // The installer file itself executed, as a user runs it: its own licence region is the one read.
    static std::string run_itself(const std::string& image, const std::string& input) {
        const auto r = run_process(image, {image}, {.input = input});
        expect_clean_exit(r);
        return r.err;
    }
};

TEST_F(VendorLicense, DisplayAndSlowDisplayShowTheVendorTextExactly) {
    const auto list = as_license_list(VENDOR_LINES);
    const std::string enters(VENDOR_LINES.size(), '\n');
    EXPECT_EQ(run_itself(build_vendor(), "n\ns\n" + enters + "d\nc\n"),
              AFTER_WELCOME + t::license_display(list.data()) + LICENSE_ASK +
                  t::license_slow_display(list.data()) + LICENSE_ASK + t::license_display(list.data()) +
                  LICENSE_ASK + t::TERMINATED);
}

// The printer is "/dev/lp0": in a private mount namespace a tmpfs on /dev holds it as a link to a
// temporary file, so nothing is created in the real /dev.
TEST_F(VendorLicense, ThePrinterGetsTheVendorText) {
    const std::string image = build_vendor();
    const std::string printer = dir / "printed";
    const auto r = run_in_child(
        [&] {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", "/dev", "tmpfs", 0, "size=16k") != 0 ||
                symlink(printer.c_str(), "/dev/lp0") != 0)
                return 77;
            execl(image.c_str(), image.c_str(), nullptr);
            return 127;
        },
        "n\np\nc\n");
    if (r.exit_code == 77) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, AFTER_WELCOME + t::license_display(as_license_list(VENDOR_LINES).data()) + LICENSE_ASK +
                         LICENSE_ASK + t::TERMINATED);
    EXPECT_EQ(read_file(printer), t::license_printout(as_license_list(VENDOR_LINES).data()));
}

TEST_F(VendorLicense, WithoutALicenceTheStubIsCopiedByteForByteAndShowsItsOwn) {
    const std::string image = build("default", {});
    const std::string stub = read_file(INSTALLER_PATH);
    EXPECT_EQ(read_file(image).substr(0, stub.size()), stub);
    EXPECT_EQ(run_itself(image, "n\nc\n"), BUILT_IN_RUN);
}

TEST_F(VendorLicense, ADamagedRegionStopsTheInstallerBeforeItsWelcome) {
    const std::string vendor = read_file(build_vendor());
    const payload::region_marker marker = payload::make_region_marker(payload::LICENSE_MARKER_KEPT);
    const std::size_t region = vendor.find(std::string(marker.begin(), marker.end()));
    ASSERT_NE(region, std::string::npos);
    const auto field = [&](std::string& image, std::size_t offset) {
        return reinterpret_cast<unsigned char*>(image.data() + region + offset);
    };
    const std::vector<std::pair<const char*, std::function<void(std::string&)>>> damages = {
        {"text", [&](std::string& image) { image[region + payload::REGION_HEADER_SIZE + 3] ^= 1; }},
        {"CRC", [&](std::string& image) { *field(image, payload::REGION_CRC_FIELD) ^= 0x80; }},
        {"length",
         [&](std::string& image) {
             payload::store_u32(field(image, payload::REGION_LENGTH_FIELD),
                                payload::LICENSE_TEXT_CAPACITY + 1);
         }},
        {"marker", [&](std::string& image) { image[region + 5] ^= 0x20; }},
    };
    for (const auto& [what, damage] : damages) {
        std::string image = vendor;
        damage(image);
        write_file(dir / "damaged", image);
        chmod((dir / "damaged").c_str(), 0755);
        EXPECT_EQ(run_itself(dir / "damaged", "n\nc\n"), "Corrupted licence text (err=13).\n" + t::TERMINATED)
            << what;
    }
}

}  // namespace
