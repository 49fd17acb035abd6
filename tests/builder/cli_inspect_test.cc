// mkinstaller list and verify run as programs: the listing of a known installer, and verify's verdict on a
// sound installer and on copies damaged one way at a time, each naming the first problem and the message
// the installer would stop with.
#include <gtest/gtest.h>

#include <functional>

#include "builder_test_util.h"
#include "payload/file_record.h"
#include "payload/header_block.h"

namespace {

using namespace builder_test;

// The installer built from the tree below: header at FAKE_HEADER_OFFSET, then entry 1 and entry 2.
constexpr std::size_t HEADER_AT = FAKE_HEADER_OFFSET;
const std::string HEADER_AT_TEXT = std::to_string(HEADER_AT);
constexpr std::size_t ENTRY1_AT = HEADER_AT + 1028;        // record of 55 bytes, 12345 stored bytes
constexpr std::size_t ENTRY2_AT = ENTRY1_AT + 55 + 12345;  // record of 61 bytes, 8 stored bytes
constexpr std::size_t IMAGE_END = ENTRY2_AT + 61 + 8;

class CliInspect : public testing::Test {
  protected:
    temp_dir dir;
    std::string installer = dir / "setup";
    std::string damaged = dir / "damaged";
    std::string image;

    void SetUp() override {
        write_timed_file(dir / "src/bin/vorna", junk_bytes(12345));
        write_timed_file(dir / "src/docs/readme.txt", "read me\n", TEST_TIME + 60);
        write_file(dir / "stub", fake_stub(FAKE_STUB_SIZE));
        // Stored, so that the layout below is known byte for byte.
        build_installer({"--store", "--stub", dir / "stub", "--product", "VORNA", "--build-time",
                         std::to_string(TEST_TIME), dir / "src", installer});
        image = read_file(installer);
        ASSERT_EQ(image.size(), IMAGE_END);
    }

    testing_support::process_result verify_damaged(const std::string& bytes) {
        write_file(damaged, bytes);
        return run_mkinstaller({"verify", "--any-stub", damaged});
    }
};

TEST_F(CliInspect, ListShowsHeaderThenOneAlignedLinePerEntry) {
    const auto r = run_mkinstaller({"list", installer});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "header block at offset " + HEADER_AT_TEXT +
                         "\n"
                         "product:            VORNA\n"
                         "version:            1.0\n"
                         "platform:           for Linux\n"
                         "build time:         2023-11-14 22:13:20 UTC (1700000000)\n"
                         "file count:         2\n"
                         "total size:         12353\n"
                         "total stored size:  12353\n"
                         "total record size:  116\n"
                         "volume:             0xFFFFFFFF (whole payload in this file)\n"
                         "\n"
                         "method   size  stored  mtime (UTC)          mode  name\n"
                         "stored  12345   12345  2023-11-14 22:13:20  0644  bin/vorna\n"
                         "stored      8       8  2023-11-14 22:14:20  0644  docs/readme.txt\n");
}

TEST_F(CliInspect, ListNamesEveryMethod) {
    for (const auto& [method, shown] : std::vector<std::pair<std::uint32_t, std::string>>{
             {payload::METHOD_COMPRESSED, "compressed  12345   12345"}, {7, "method 7  12345   12345"}}) {
        std::string copy = image;
        put_u32(copy, ENTRY1_AT + payload::RECORD_METHOD, method);
        reseal_record(copy, ENTRY1_AT);
        write_file(damaged, copy);
        const auto r = run_mkinstaller({"list", damaged});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_NE(r.out.find(shown + "  2023-11-14 22:13:20  0644  bin/vorna\n"), std::string::npos) << r.out;
    }
}

TEST_F(CliInspect, DeleteEntriesCarryNoStoredBytes) {
    temp_dir other;
    write_tree(other / "src", {{"old.txt", ""}, {"zz", "after"}});
    build_installer({"--stub", dir / "stub", other / "src", other / "setup"});
    std::string copy = read_file(other / "setup");
    put_u32(copy, ENTRY1_AT + payload::RECORD_METHOD, payload::METHOD_DELETE);
    reseal_record(copy, ENTRY1_AT);
    write_file(damaged, copy);
    const auto listed = run_mkinstaller({"list", damaged});
    EXPECT_NE(listed.out.find("delete     0       0  2023-11-14 22:13:20  0644  old.txt\n"),
              std::string::npos)
        << listed.out;
    EXPECT_EQ(run_mkinstaller({"verify", "--any-stub", damaged}).exit_code, 0);
}

TEST_F(CliInspect, ListStopsAtADamagedRecord) {
    std::string copy = image;
    copy[ENTRY2_AT + payload::RECORD_NAME] ^= 0x01;
    write_file(damaged, copy);
    const auto r = run_mkinstaller({"list", damaged});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_NE(r.out.find("bin/vorna"), std::string::npos);
    EXPECT_EQ(
        r.err,
        "mkinstaller: list: entry 2: record fails its CRC (the installer stops with \"Corrupted file(s) "
        "(err=6).\")\n");
}

TEST_F(CliInspect, VerifyPassesASoundInstaller) {
    const auto r = run_mkinstaller({"verify", "--any-stub", installer});
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out,
              "ok: " + installer + ": 2 entries, 12353 bytes, header at offset " + HEADER_AT_TEXT + "\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliInspect, VerifyNamesTheFirstProblemOfADamagedInstaller) {
    struct damage_case {
        const char* what;
        std::function<void(std::string&)> damage;
        std::string message;
    };
    const std::string err = "(the installer stops with \"Corrupted file(s) (err=";
    const std::vector<damage_case> cases = {
        {"name byte", [](std::string& s) { s[ENTRY1_AT + payload::RECORD_NAME + 2] ^= 0x20; },
         "entry 1: record fails its CRC " + err + "6).\")"},
        {"unsafe name",
         [](std::string& s) {
             s.replace(ENTRY1_AT + payload::RECORD_NAME, 9, "..//vorna");
             reseal_record(s, ENTRY1_AT);
         },
         "entry 1: unsafe name \"..//vorna\" (absolute, or with a \"..\" component) " + err + "6).\")"},
        {"stored byte", [](std::string& s) { s[ENTRY2_AT + 61 + 3] ^= 0x01; },
         "entry 2 \"docs/readme.txt\": stored bytes fail their CRC " + err + "4).\")"},
        {"data crc",
         [](std::string& s) {
             put_u16(s, ENTRY1_AT + payload::RECORD_DATA_CRC,
                     get_u16(s, ENTRY1_AT + payload::RECORD_DATA_CRC) ^ 1);
             reseal_record(s, ENTRY1_AT);
         },
         "entry 1 \"bin/vorna\": file bytes fail their data CRC " + err + "5).\")"},
        {"compressed stored byte",
         [](std::string& s) {
             put_u32(s, ENTRY1_AT + payload::RECORD_METHOD, payload::METHOD_COMPRESSED);
             reseal_record(s, ENTRY1_AT);
             s[ENTRY1_AT + 55 + 12344] ^= 0x40;
         },
         "entry 1 \"bin/vorna\": stored bytes fail their CRC " + err + "4).\")"},
        {"stored size against method",
         [](std::string& s) {
             put_u32(s, ENTRY2_AT + payload::RECORD_STORED_SIZE, 7);
             reseal_record(s, ENTRY2_AT);
         },
         "entry 2: stored size 7 contradicts its method (stored) " + err + "3).\")"},
        {"cut in stored bytes", [](std::string& s) { s.resize(IMAGE_END - 2); },
         "entry 2 \"docs/readme.txt\": stored bytes cut short by the end of the file " + err + "3).\")"},
        {"cut inside a record", [](std::string& s) { s.resize(ENTRY2_AT + 20); },
         "entry 2: record cut short by the end of the file " + err + "2).\")"},
        {"cut before a record", [](std::string& s) { s.resize(ENTRY2_AT); },
         "entry 2: the file ends where its record is due " + err + "1).\")"},
        {"record length", [](std::string& s) { put_u32(s, ENTRY2_AT, 40); },
         "entry 2: record length 40 is outside 41..4136 " + err + "1).\")"},
        {"more entries counted",
         [](std::string& s) {
             put_u32(s, HEADER_AT + payload::HEADER_FILE_COUNT, 3);
             reseal_header(s, HEADER_AT);
         },
         "entry 3: the file ends where its record is due " + err + "1).\")"},
        {"header byte", [](std::string& s) { s[HEADER_AT + 900] ^= 0x01; },
         "header block at offset " + HEADER_AT_TEXT +
             " fails its CRC (the installer stops with \"Attachments corrupted "
             "(3).\")"},
        {"no payload", [](std::string& s) { s[HEADER_AT] = 'k'; },
         "no header block found (the installer stops with \"Can't find attachments (3).\")"},
        {"volume",
         [](std::string& s) {
             put_u32(s, HEADER_AT + payload::HEADER_VOLUME, 1);
             reseal_header(s, HEADER_AT);
         },
         "header volume is 0x00000001, not 0xFFFFFFFF (the installer stops with \"Can't find attachments "
         "(err=2).\")"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string copy = image;
        c.damage(copy);
        const auto r = verify_damaged(copy);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err, "mkinstaller: verify: " + c.message + "\n");
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CliInspect, VerifyChecksTheHeaderTotalsAgainstTheRecords) {
    const std::vector<std::pair<std::size_t, std::string>> totals = {
        {payload::HEADER_FILE_COUNT_COPY, "file count copy"},
        {payload::HEADER_TOTAL_SIZE, "total size"},
        {payload::HEADER_TOTAL_STORED_SIZE, "total stored size"},
        {payload::HEADER_TOTAL_RECORD_SIZE, "total record size"},
        {payload::HEADER_REQUIRED_SPACE, "required space"},
    };
    for (const auto& [offset, field] : totals) {
        SCOPED_TRACE(field);
        std::string copy = image;
        put_u32(copy, HEADER_AT + offset, get_u32(copy, HEADER_AT + offset) + 1);
        reseal_header(copy, HEADER_AT);
        const auto r = verify_damaged(copy);
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(
            r.err.rfind(
                "mkinstaller: verify: header " + field + " (offset " + std::to_string(offset) + ") is ", 0),
            0u)
            << r.err;
    }
}

TEST_F(CliInspect, MissingInstallerIsAnError) {
    for (const char* command : {"list", "verify"}) {
        const auto r = run_mkinstaller({command, dir / "absent"});
        EXPECT_EQ(r.exit_code, 1);
        EXPECT_EQ(r.err.rfind(std::string("mkinstaller: ") + command + ": cannot open", 0), 0u) << r.err;
    }
}

}  // namespace
