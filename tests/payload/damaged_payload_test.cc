// Damaged payloads met by the real installer: each damage stops the installation with its numbered
// message at the entry where it lies, with exit status 0.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "payload/file_record.h"
#include "payload/header_block.h"
#include "support/installer_run.h"
#include "support/installer_texts.h"

namespace {

using namespace testing_support;
namespace t = testing_support::texts;

class DamagedPayload : public ::testing::Test {
  protected:
    temp_dir dir;
    std::string target;  // of the latest install
    int installs = 0;

    test_payload three_files() {
        test_payload p;
        p.entries = {{.name = "VORNADST.TXT", .data = "contents\n"},
                     {.name = "include/vorna.h", .data = "#define VORNA 1\n"},
                     {.name = "lib/empty.txt", .data = ""}};
        return p;
    }

    // Runs the whole dialogue up to the installation of `image`; returns what followed the banner.
    std::string install(const std::string& image) {
        write_file(dir / "setup.bin", image);
        // A fresh target each time: an existing one would draw the directory-exists warning.
        target = dir / ("target" + std::to_string(++installs));
        const std::string rest =
            after_directory_screen(dialogue(dir / "setup.bin", answers_to_install(target) + "n\n"), target);
        EXPECT_TRUE(rest.starts_with(t::INSTALLING)) << rest;
        return closing_text(rest.substr(std::min(t::INSTALLING.size(), rest.size())));
    }

    // The progress lines of the entries installed before a failure hold no line feed and end in an
    // erasure; what follows the last backspace before the first line feed is the closing text.
    static std::string closing_text(const std::string& after_banner) {
        const std::size_t line_end = after_banner.find('\n');
        const std::size_t last_backspace = after_banner.rfind('\b', line_end);
        return last_backspace == std::string::npos ? after_banner : after_banner.substr(last_backspace + 1);
    }

    static std::string corrupted(int n) {
        return "Corrupted file(s) (err=" + std::to_string(n) + ").\n" + t::TERMINATED;
    }
    static std::string finished() { return t::FILES_INSTALLED + t::BACK_NEXT_CANCEL + t::COMPLETE; }

    std::string image_of(const test_payload& p) { return stub_with_payload(payload_bytes(p)); }
    std::size_t header_of(const std::string& image) { return image.size() - payload_size; }
    std::size_t payload_size = 0;

    std::string good_image() {
        const std::string bytes = payload_bytes(three_files());
        payload_size = bytes.size();
        return stub_with_payload(bytes);
    }
};

// good_image() damaged one way at a time, given the image and its header's offset, and where each run ends.
TEST_F(DamagedPayload, EachDamageStopsWithItsNumberedMessage) {
    using image_damage = std::function<void(std::string & image, std::size_t header)>;
    const auto second = [](const std::string& image, std::size_t header) {
        return record_start(image, header, 1);
    };
    const auto record_length = [&](std::uint32_t length) {
        return [&, length](std::string& s, std::size_t h) { put_u32(s, second(s, h), length); };
    };
    const std::vector<std::tuple<const char*, image_damage, std::string>> cases = {
        {"intact", [](std::string&, std::size_t) {}, finished()},
        {"fewer entries than the count",
         [](std::string& s, std::size_t h) {
             put_u32(s, h + payload::HEADER_FILE_COUNT, 4);
             reseal_header(s, h);
         },
         corrupted(1)},
        {"entries behind the count are ignored",
         [](std::string& s, std::size_t h) {
             put_u32(s, h + payload::HEADER_FILE_COUNT, 2);
             reseal_header(s, h);
             s.resize(s.size() - 1);  // cut into the third entry, which is never read
         },
         finished()},
        {"record length 40", record_length(40), corrupted(1)},
        {"record length 4137", record_length(4137), corrupted(1)},
        {"record cut short", [](std::string& s, std::size_t h) { s.resize(record_start(s, h, 2) + 20); },
         corrupted(2)},
        {"stored bytes cut short",
         [&](std::string& s, std::size_t h) { s.resize(second(s, h) + get_u32(s, second(s, h)) + 3); },
         corrupted(3)},
        {"changed stored bytes",
         [&](std::string& s, std::size_t h) { s[second(s, h) + get_u32(s, second(s, h)) + 2] ^= 0x01; },
         corrupted(4)},
        // Stored bytes and their CRC agree, but the data CRC does not: the produced file is refused.
        {"file bytes fail their own CRC",
         [&](std::string& s, std::size_t h) {
             put_u16(s, second(s, h) + payload::RECORD_DATA_CRC, 0x1234);
             reseal_record(s, second(s, h));
         },
         corrupted(5)},
        {"flipped bit in a name",
         [&](std::string& s, std::size_t h) { s[second(s, h) + payload::RECORD_NAME + 3] ^= 0x04; },
         corrupted(6)},
        {"stored, yet file size differs from stored size",
         [](std::string& s, std::size_t h) {
             const std::size_t third = record_start(s, h, 2);
             put_u32(s, third + payload::RECORD_FILE_SIZE, 1);
             reseal_record(s, third);
         },
         corrupted(3)},
    };
    for (const auto& [what, damage, expected] : cases) {
        SCOPED_TRACE(what);
        std::string image = good_image();
        damage(image, header_of(image));
        EXPECT_EQ(install(image), expected);
    }
}

TEST_F(DamagedPayload, UnsafeNamesAreErr6ForFilesAndDeleteEntries) {
    for (const char* name : {"../escape.txt", "/tmp/absolute.txt", "a/../../b"}) {
        for (std::uint32_t method : {payload::METHOD_STORED, payload::METHOD_DELETE}) {
            test_payload p = three_files();
            p.entries.insert(p.entries.begin() + 1, test_entry{.name = name, .data = "", .method = method});
            const std::string bytes = payload_bytes(p);
            payload_size = bytes.size();
            EXPECT_EQ(install(stub_with_payload(bytes)), corrupted(6)) << name << " method " << method;
        }
    }
}

TEST_F(DamagedPayload, ADeleteEntryIsFollowedDirectlyByTheNextRecord) {
    test_payload p = three_files();
    p.entries.insert(p.entries.begin() + 1,
                     test_entry{.name = "old/file.txt", .method = payload::METHOD_DELETE});
    EXPECT_EQ(install(image_of(p)), finished());
}

TEST_F(DamagedPayload, AnyOtherMethodIsReadAsCompressedData) {
    test_payload p = three_files();
    p.entries[0] = repeated_byte_entry("VORNADST.TXT", 'v', 400);
    p.entries[0].method = 4;
    EXPECT_EQ(install(image_of(p)), finished());
    EXPECT_EQ(read_file(target + "/VORNADST.TXT"), std::string(400, 'v'));
}

}  // namespace
