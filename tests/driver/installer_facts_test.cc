// The installer telling of itself: --info and --list say byte for byte what mkinstaller's info and list
// say of the same file, for a bare installer and one with a vendor's settings, licence and update; --check
// passes an intact payload, and of a damaged one ends with the message its installation ends with,
// having written nothing.
#include "driver/installer_facts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>

#include "encoder/encoder.h"
#include "payload/file_record.h"
#include "payload/header_block.h"
#include "payload/installer_messages.h"
#include "support/install_in_child.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::string mkinstaller(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"mkinstaller"};
    argv.insert(argv.end(), args.begin(), args.end());
    const process_result r = run_process(MKINSTALLER_PATH, argv);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    return r.out;
}

// What the installer file `image` writes of itself through `facts`.
std::string told_by(const std::string& image, void (*facts)(std::FILE*)) {
    const process_result r = run_in_child([&] {
        set_up_as_installer(image);
        facts(stderr);
        return 0;
    });
    EXPECT_EQ(r.exit_code, 0);
    return r.err;
}

class InstallerFacts : public ::testing::Test {
  protected:
    temp_dir dir;

    void SetUp() override {
        write_file(dir / "old/inc/vorna.h", "#define VORNA 1\n");
        write_file(dir / "old/lib/gone.a", "gone");
        std::string text;
        for (int i = 0; text.size() < 200000; ++i) text += "line " + std::to_string(i) + "\n";
        write_file(dir / "tree/doc/manual.txt", text);
        write_file(dir / "tree/inc/vorna.h", "#define VORNA 2.0\n");
        write_file(dir / "tree/bin/empty", "");
        write_file(dir / "licence.txt", "Use it well.\nOr not at all.\n");
        write_file(dir / "closing.txt", "Read doc/manual.txt first.\n");
        write_file(dir / "acme.profile",
                   "title = Acme \\ Setup\nthanks =\nclosing-text = closing.txt\n"
                   "default-dir = /usr/local/acme\nsame-name-removal = path\n"
                   "exit-status = conventional\ninstaller-options = gnu\n");
    }

    std::string build(const std::string& name, const std::vector<std::string>& options) {
        return mkinstaller_build(
            joined(joined({"--quiet", "--build-time", "1700000000", "--product", "A\\B"}, options),
                   {dir / "tree", dir / name}));
    }
};

TEST_F(InstallerFacts, InfoAndListSayWhatMkinstallerSays) {
    const std::string old = mkinstaller_build({"--quiet", dir / "old", dir / "old-setup"});
    const std::vector<std::string> images = {
        build("plain", {}),
        build("vendor", {"--profile", dir / "acme.profile", "--license", dir / "licence.txt", "--delete",
                         "lib/gone.a", "--store"}),
        build("update", {"--update-from", old, "--installer-options", "gnu"}),
    };
    // The update checks a file of the old release: its line names the count.
    EXPECT_NE(mkinstaller({"info", images[2]}).find("(checks 1 file of it"), std::string::npos);
    for (const std::string& image : images) {
        EXPECT_EQ(told_by(image, driver::write_installer_info), mkinstaller({"info", image})) << image;
        EXPECT_EQ(told_by(image, driver::write_installer_list), mkinstaller({"list", image})) << image;
    }
}

// An installer by hand, compressed entry last: `damage` is done to the image before it runs.
std::string damaged_installer(const std::string& path, void (*damage)(std::string& image)) {
    std::string text;
    for (int i = 0; text.size() < 100000; ++i) text += "entry " + std::to_string(i) + "\n";
    const auto stream =
        encoder::compress(std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
    test_payload p;
    p.entries = {{.name = "a.txt", .data = "a"},
                 {.name = "big.txt",
                  .data = text,
                  .method = 1,
                  .stored = {stream.begin(), stream.end()},
                  .use_stored = true}};
    std::string image = installer_image("", payload_bytes(p), 1024);
    if (damage != nullptr) damage(image);
    write_file(path, image);
    return path;
}

// The offset of the last entry's stored bytes, and how many there are.
std::pair<std::size_t, std::size_t> last_stored(const std::string& image) {
    const std::size_t record = record_start(image, 1024, 1);
    return {record + get_u32(image, record + payload::RECORD_LENGTH),
            get_u32(image, record + payload::RECORD_STORED_SIZE)};
}

TEST_F(InstallerFacts, CheckEndsADamagedPayloadAsItsInstallationWould) {
    struct damage_case {
        const char* what;
        void (*damage)(std::string& image);
        std::string message;
    };
    const damage_case cases[] = {
        {"cut short", [](std::string& image) { image.resize(image.size() - 1000); },
         "Corrupted file(s) (err=3)."},
        {"a compressed byte flipped",
         [](std::string& image) { image[last_stored(image).first + 500] ^= 0x10; },
         "Corrupted file(s) (err=4)."},
        {"a compressed byte flipped under a stored CRC that fits",
         [](std::string& image) {
             const auto [at, size] = last_stored(image);
             image[at + 500] ^= 0x10;
             const std::size_t record = record_start(image, 1024, 1);
             put_u16(image, record + payload::RECORD_STORED_CRC, crc_of(image, at, size));
             reseal_record(image, record);
         },
         payload::MESSAGE_DECOMPRESSION},
    };
    const std::string target = dir / "target";
    const std::string intact = damaged_installer(dir / "intact", nullptr);
    const auto passed = run_in_child([&] {
        set_up_install(std::fopen(intact.c_str(), "rb"), target);
        driver::check_whole_installer();
        return 0;
    });
    EXPECT_EQ(passed.exit_code, 0);
    EXPECT_EQ(passed.err, "");
    for (const damage_case& c : cases) {
        const std::string image = damaged_installer(dir / "setup", c.damage);
        const auto checked = run_in_child([&] {
            set_up_install(std::fopen(image.c_str(), "rb"), target);
            driver::check_whole_installer();
            return 0;
        });
        EXPECT_FALSE(fs::exists(target)) << c.what;
        const auto installed = install_in_child(image, target);
        EXPECT_EQ(checked.err, c.message + "\n" + texts::TERMINATED) << c.what;
        EXPECT_TRUE(installed.err.ends_with(checked.err)) << c.what << ": " << installed.err;
        fs::remove_all(target);
    }
}

}  // namespace
