// The vendor's settings in the stub's profile region: every text where the built-in one stood, the
// default directory and recommended roots on the directory screen, the conventional exit statuses, and
// damaged regions stopping the installer before its welcome screen. An unwritten region shows the
// built-in values, which every other transcript test pins.
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "payload/license_region.h"
#include "payload/profile_region.h"
#include "support/dialogue_fixture.h"
#include "support/stub_regions.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;
namespace fs = std::filesystem;

const profile_setting CONVENTIONAL{payload::PROFILE_EXIT_STATUS, "\x01"};
const std::string EXISTING_DIR_TAIL =
    "Select 'Next' to proceed with the installation,\nor 'Back' to select a different directory.\n";

std::string welcome_of(const std::string& title, const std::string& thanks_block,
                       const std::string& product) {
    return "\n\n" + title + "\n\n" + thanks_block + "Let's install  " + product +
           " software! (build 231114.221320) !\n";
}

class VendorScreens : public ::testing::Test {
  protected:
    temp_dir dir;
    test_payload payload = [] {
        test_payload p;
        p.product = "ACME";
        p.version = "2.0";
        p.entries = {{.name = "notes.txt", .data = "n"}};
        return p;
    }();

    std::string installer(const std::vector<profile_setting>& settings, const std::string& name = "setup") {
        return write_installer_with_stub(dir / name, profiled_stub(settings), payload);
    }
};

TEST_F(VendorScreens, EverySettingStandsWhereTheBuiltInValueStood) {
    const std::string inside = dir / "inside/";
    const std::string preset = inside + "acme";  // exists: the warning comes first
    const std::string outside = dir / "outside";
    fs::create_directories(preset);
    const std::string closing = "Read ACME-NOTES.TXT first.\n\nSupport: help@acme.example\n";
    const std::string paragraph = "Files of an older ACME stay\nunless the new one replaces them.\n";
    const std::string image = installer({
        {payload::PROFILE_TITLE, "ACME Setup"},
        {payload::PROFILE_THANKS, "Thank you for choosing ACME."},
        {payload::PROFILE_CLOSING_TEXT, closing},
        {payload::PROFILE_DEFAULT_DIR, preset},
        {payload::PROFILE_RECOMMEND, "/srv/acme/"},
        {payload::PROFILE_RECOMMEND, inside},
        {payload::PROFILE_EXISTING_DIR_TEXT, paragraph},
        {payload::PROFILE_SAME_NAME_REMOVAL, "\x01"},
        CONVENTIONAL,
    });
    // Next, Accept, Yes to the default, Back at the warning, No to the default, the path, No to the roots
    // warning, Next after "Files installed!".
    const auto r = run_itself(image, "n\na\ny\nb\nn\n" + outside + "\nn\nn\n");
    EXPECT_EQ(r.exit_code, payload::EXIT_STATUS_COMPLETE);

    const std::string header = t::directory_header("ACME", "2.0");
    const std::string up_to_install =
        welcome_of("ACME Setup", "Thank you for choosing ACME.\n\n", "ACME 2.0 for Linux") + t::NEXT_CANCEL +
        LICENSE_DISPLAY + LICENSE_ASK + header + t::default_directory(preset) + t::USE_DEFAULT +
        "\n\nThe directory \n    " + preset + "\nalready exists!\n\n" + paragraph + "\n" + EXISTING_DIR_TAIL +
        t::BACK_NEXT_CANCEL + header + t::default_directory(preset) + t::USE_DEFAULT + t::ENTER_DIRECTORY +
        "\n\nInstalling anywhere other than under '/srv/acme' or '" + inside.substr(0, inside.size() - 1) +
        "' directories is not recommended.\n" + t::SELECT_DIFFERENT_ASK + t::INSTALLING;
    const std::string drawn = t::progress_drawing(0, 100, "notes.txt");
    EXPECT_EQ(r.err, up_to_install + drawn + t::progress_erasure(drawn.size()) + "\n\nFiles installed!\n" +
                         closing + t::BACK_NEXT_CANCEL + t::COMPLETE);
    EXPECT_EQ(read_file(outside + "/notes.txt"), "n");
    for (const char* built_in : {"KAVO", "VORNA", "RUDEK", "/usr/local/vorna"})
        EXPECT_EQ(r.err.find(built_in), std::string::npos) << built_in;
}

TEST_F(VendorScreens, EmptyTextsLeaveNoLinesBehind) {
    const std::string existing = dir / "existing";
    fs::create_directories(existing);
    payload.entries.clear();
    const std::string image = installer({{payload::PROFILE_THANKS, ""},
                                         {payload::PROFILE_CLOSING_TEXT, ""},
                                         {payload::PROFILE_EXISTING_DIR_TEXT, ""}});
    const auto r = run_itself(image, answers_to_install(existing) + "n\nn\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.err, welcome_of(t::LICENSE_TITLE, "", "ACME 2.0 for Linux") + t::NEXT_CANCEL +
                         LICENSE_DISPLAY + LICENSE_ASK + t::directory_header("ACME", "2.0") +
                         t::default_directory(t::DEFAULT_TARGET) + t::USE_DEFAULT + t::ENTER_DIRECTORY +
                         t::location_warnings(existing) + "\n\nThe directory \n    " + existing +
                         "\nalready exists!\n\n" + EXISTING_DIR_TAIL + t::BACK_NEXT_CANCEL + t::INSTALLING +
                         "\n\nFiles installed!\n" + t::BACK_NEXT_CANCEL + t::COMPLETE);
}

TEST_F(VendorScreens, ConventionalStatusesTellCompletionFailureAndCancelApart) {
    const std::string target = dir / "target";
    const std::string image = installer({CONVENTIONAL});
    const std::string answers = answers_to_install(target) + "n\n";
    const struct {
        std::string input;
        int status;
    } runs[] = {{answers, payload::EXIT_STATUS_COMPLETE},
                {"n\na\nc\n", payload::EXIT_STATUS_CANCELLED},
                {"n\n", payload::EXIT_STATUS_CANCELLED}};  // the end of input
    for (const auto& run : runs) {
        const auto r = run_itself(image, run.input);
        EXPECT_EQ(r.exit_code, run.status) << run.input;
        EXPECT_TRUE(r.err.ends_with(run.status == 0 ? t::COMPLETE : t::TERMINATED)) << run.input;
    }

    // A damaged payload: the stored bytes of the last entry fail their CRC.
    std::string damaged = read_file(image);
    damaged.back() ^= 1;
    write_file(dir / "damaged", damaged);
    fs::permissions(dir / "damaged", fs::perms::owner_exec, fs::perm_options::add);
    auto r = run_itself(dir / "damaged", answers);
    EXPECT_EQ(r.exit_code, payload::EXIT_STATUS_FAILED);
    EXPECT_TRUE(r.err.ends_with("Corrupted file(s) (err=4).\n" + t::TERMINATED)) << r.err;

    // A full disk: a tiny tmpfs on the target in a private mount namespace.
    payload.entries = {repeated_byte_entry("big.bin", 'b', 60000)};
    const std::string big = installer({CONVENTIONAL}, "big");
    fs::create_directories(target);
    r = run_in_child(
        [&] {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", target.c_str(), "tmpfs", 0, "size=16k") != 0)
                return 77;
            execl(big.c_str(), big.c_str(), nullptr);
            return 127;
        },
        answers + "n\n");
    if (r.exit_code == 77) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    EXPECT_EQ(r.exit_code, payload::EXIT_STATUS_FAILED);
    EXPECT_TRUE(r.err.ends_with("Error saving data - No space left on device (err=1).\n" + t::TERMINATED))
        << r.err;
}

TEST_F(VendorScreens, DamagedRegionsStopBeforeTheWelcomeProfileFirst) {
    const std::string settings = "Corrupted installer settings (err=14).\n" + t::TERMINATED;
    const std::string licence = "Corrupted licence text (err=13).\n" + t::TERMINATED;
    const std::string plain = profile_content({{payload::PROFILE_TITLE, "ACME Setup"}});
    const struct {
        std::string profile;  // empty: unwritten
        bool profile_crc_broken;
        bool licence_crc_broken;
        const std::string& message;
        int status;  // a damaged profile fails whatever it says; a damaged licence ends as the profile says
    } cases[] = {{plain, true, false, settings, payload::EXIT_STATUS_FAILED},
                 {profile_content({{payload::PROFILE_LAST_SETTING + 1, "x"}}), false, false, settings,
                  payload::EXIT_STATUS_FAILED},
                 {plain, true, true, settings, payload::EXIT_STATUS_FAILED},
                 // C1 as UTF-8 and as a lone byte, in a line, in lines and in a path.
                 {profile_content({{payload::PROFILE_TITLE,
                                    "A\xc2\x9b"
                                    "2J"}}),
                  false, false, settings, payload::EXIT_STATUS_FAILED},
                 {profile_content({{payload::PROFILE_CLOSING_TEXT,
                                    "Bye\n\x9b"
                                    "2J\n"}}),
                  false, false, settings, payload::EXIT_STATUS_FAILED},
                 {profile_content({{payload::PROFILE_DEFAULT_DIR, "/opt/a\xc2\x85"}}), false, false, settings,
                  payload::EXIT_STATUS_FAILED},
                 {"", false, true, licence, 0},
                 {profile_content({CONVENTIONAL}), false, true, licence, payload::EXIT_STATUS_FAILED}};
    for (const auto& c : cases) {
        std::string stub = read_file(INSTALLER_PATH);
        const auto write = [&](const payload::kept_marker& kept, const std::string& content, bool broken) {
            const std::size_t at = region_offset(stub, kept);
            write_region(reinterpret_cast<unsigned char*>(stub.data() + at), content);
            if (broken) stub[at + payload::REGION_CRC_FIELD] ^= 1;
        };
        if (!c.profile.empty()) write(payload::PROFILE_MARKER_KEPT, c.profile, c.profile_crc_broken);
        write(payload::LICENSE_MARKER_KEPT, "Terms.\n", c.licence_crc_broken);
        const auto r = run_itself(write_installer_with_stub(dir / "damaged", stub, payload), "n\na\n");
        EXPECT_EQ(r.exit_code, c.status);
        EXPECT_EQ(r.err, c.message);
    }
}

}  // namespace
