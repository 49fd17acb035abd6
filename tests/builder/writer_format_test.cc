// The written installer checked byte by byte against the payload format: stub copy, padding, header block,
// and every record and its stored bytes. The checks read the image independently of the writer's code.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "builder/pack/build_settings.h"
#include "builder/pack/installer_writer.h"
#include "builder/pack/payload_plan.h"
#include "builder/pack/source_tree.h"
#include "builder/util/error.h"
#include "builder_test_util.h"
#include "payload/file_record.h"
#include "payload/header_block.h"

namespace {

using namespace builder_test;

struct expected_file {
    std::string name;
    std::string bytes;
    std::int32_t mtime;
    std::uint16_t permissions;  // the source file's, which its record carries
};

class WriterFormat : public testing::Test {
  protected:
    temp_dir dir;
    std::string source = dir / "product";
    std::string output = dir / "setup";
    // In byte order of the whole names: '-' (0x2D) < '/' (0x2F) < '0' (0x30).
    std::vector<expected_file> files = {
        {"a b.txt", "spaces are fine\n", TEST_TIME, 0644},
        {"a-c", junk_bytes(70000), TEST_TIME + 1, 0755},
        {"a/b", "", TEST_TIME - 5, 0600},
        {"a0", "zero", -86400, 0640},
        {"docs/deep/readme.txt", "read me\n", TEST_TIME + 7, 0444},
    };

    void SetUp() override {
        for (const auto& f : files) {
            write_timed_file(source + "/" + f.name, f.bytes, f.mtime);
            std::filesystem::permissions(source + "/" + f.name, std::filesystem::perms(f.permissions));
        }
        std::filesystem::create_directories(source + "/empty/dir");
    }

    std::string build(std::size_t stub_size) {
        const std::string stub = dir / "stub";
        testing_support::write_file(stub, fake_stub(stub_size));
        builder::build_settings settings;
        settings.source_dir = source;
        settings.output = output;
        settings.stub = stub;
        settings.product = "VORNA";
        settings.version = "2.5";
        settings.platform = "for Linux x86-64";
        settings.build_time = TEST_TIME;
        settings.store = true;  // the layout checks below read each file's bytes in place
        builder::write_installer(settings,
                                 builder::plan_payload(settings, builder::scan_source_tree(source)));
        return read_file(output);
    }
};

TEST_F(WriterFormat, StubIsCopiedAndZeroPaddedToTheNextMultipleOf1024) {
    const std::string image = build(FAKE_STUB_SIZE);
    EXPECT_EQ(image.substr(0, FAKE_STUB_SIZE), fake_stub(FAKE_STUB_SIZE));
    EXPECT_EQ(image.substr(FAKE_STUB_SIZE, FAKE_HEADER_OFFSET - FAKE_STUB_SIZE),
              std::string(FAKE_HEADER_OFFSET - FAKE_STUB_SIZE, '\0'));

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(output.c_str(), "rb"), &std::fclose);
    payload::header_block header{};
    std::uint64_t offset = 0;
    ASSERT_EQ(payload::try_find_header_block(in.get(), header, &offset), payload::header_search::found);
    EXPECT_EQ(offset, FAKE_HEADER_OFFSET);
}

TEST_F(WriterFormat, StubOfAnExactMultipleGetsNoPadding) {
    const std::string image = build(FAKE_HEADER_OFFSET);
    EXPECT_EQ(image.substr(0, FAKE_HEADER_OFFSET), fake_stub(FAKE_HEADER_OFFSET));
    const auto marker = payload::make_distribution_marker();
    EXPECT_EQ(image.substr(FAKE_HEADER_OFFSET, marker.size()), std::string(marker.begin(), marker.end()));
}

TEST_F(WriterFormat, HeaderBlockCarriesTotalsTextsAndValidCrc) {
    const std::string image = build(FAKE_STUB_SIZE);
    const std::string h = image.substr(FAKE_HEADER_OFFSET, payload::HEADER_SIZE);
    std::uint32_t total_size = 0, total_records = 0;
    for (const auto& f : files) {
        total_size += static_cast<std::uint32_t>(f.bytes.size());
        total_records += static_cast<std::uint32_t>(38 + f.name.size() + 8);
    }
    EXPECT_EQ(get_u32(h, 256), files.size());
    EXPECT_EQ(get_u32(h, 260), total_size);
    EXPECT_EQ(get_u32(h, 264), total_size);
    EXPECT_EQ(get_u32(h, 268), total_records);
    EXPECT_EQ(get_u32(h, 272), 0xFFFFFFFFu);
    EXPECT_EQ(get_u32(h, 276), 0xFFFFFFFFu);
    EXPECT_EQ(get_u32(h, 284), files.size());
    EXPECT_EQ(get_u32(h, 348), total_size);
    EXPECT_EQ(std::string(h.data() + 418), "VORNA");
    EXPECT_EQ(std::string(h.data() + 482), "2.5");
    EXPECT_EQ(std::string(h.data() + 546), "for Linux x86-64");
    EXPECT_EQ(static_cast<std::int32_t>(get_u32(h, 740)), TEST_TIME);
    std::string unsealed = h;
    put_u16(unsealed, 416, 0);
    EXPECT_EQ(get_u16(h, 416), crc_of(unsealed, 0, unsealed.size()));

    // Everything the writer has no value for is zero.
    const std::pair<std::size_t, std::size_t> zero_ranges[] = {{252, 256}, {280, 284}, {288, 348},
                                                               {352, 416}, {610, 740}, {744, 1028}};
    for (const auto& [from, to] : zero_ranges)
        EXPECT_EQ(h.substr(from, to - from), std::string(to - from, '\0')) << from;
    for (const std::size_t text : {418u, 482u, 546u}) {
        const std::size_t used = std::string(h.data() + text).size();
        EXPECT_EQ(h.substr(text + used, 64 - used), std::string(64 - used, '\0')) << text;
    }
}

TEST_F(WriterFormat, RecordsFollowInNameOrderWithTheirStoredBytes) {
    const std::string image = build(FAKE_STUB_SIZE);
    const std::size_t first = FAKE_HEADER_OFFSET + payload::HEADER_SIZE;
    std::size_t at = first;
    for (const auto& f : files) {
        SCOPED_TRACE(f.name);
        const std::string r = image.substr(at, 38 + f.name.size() + 8);
        const std::uint16_t data_crc = crc_of(f.bytes, 0, f.bytes.size());
        EXPECT_EQ(get_u32(r, 0), r.size());
        std::string unsealed = r;
        put_u16(unsealed, 4, 0);
        EXPECT_EQ(get_u16(r, 4), crc_of(unsealed, 0, unsealed.size()));
        EXPECT_EQ(get_u16(r, 6), data_crc);
        EXPECT_EQ(get_u16(r, 8), data_crc);
        EXPECT_EQ(get_u16(r, 10), 0u);
        EXPECT_EQ(get_u32(r, 12), f.bytes.size());
        EXPECT_EQ(get_u32(r, 16), f.bytes.size());
        EXPECT_EQ(get_u32(r, 20), payload::METHOD_STORED);
        EXPECT_EQ(get_u32(r, 24), 0u);
        EXPECT_EQ(get_u32(r, 28), at - first);
        EXPECT_EQ(static_cast<std::int32_t>(get_u32(r, 32)), f.mtime);
        EXPECT_EQ(get_u16(r, 36), 0100000 | f.permissions);
        EXPECT_EQ(r.substr(38), f.name + std::string(8, '\0'));
        at += r.size();
        EXPECT_EQ(image.substr(at, f.bytes.size()), f.bytes);
        at += f.bytes.size();
    }
    EXPECT_EQ(at, image.size());
}

TEST_F(WriterFormat, StubThatAlreadyHoldsAPayloadIsRefused) {
    const std::string first_build = build(FAKE_STUB_SIZE);
    testing_support::write_file(dir / "stub2", first_build);
    builder::build_settings settings;
    settings.source_dir = source;
    settings.output = dir / "second";
    settings.stub = dir / "stub2";
    EXPECT_THROW(builder::write_installer(settings,
                                          builder::plan_payload(settings, builder::scan_source_tree(source))),
                 builder::error);
    EXPECT_FALSE(path_exists(dir / "second"));
}

TEST_F(WriterFormat, EmptyStubIsRefused) {
    testing_support::write_file(dir / "empty-stub", "");
    builder::build_settings settings;
    settings.source_dir = source;
    settings.output = output;
    settings.stub = dir / "empty-stub";
    try {
        builder::write_installer(settings,
                                 builder::plan_payload(settings, builder::scan_source_tree(source)));
        ADD_FAILURE() << "an empty stub was accepted";
    } catch (const builder::error& e) {
        EXPECT_NE(std::string(e.what()).find("is empty"), std::string::npos) << e.what();
    }
    EXPECT_EQ(dir_names(dir.path()), (std::vector<std::string>{"empty-stub", "product"}));
}

// Counts, totals and offsets reach the payload in 32 bits, checked in one place for the plan and the
// writer: the largest value fits, one more is refused by name.
TEST(PayloadField, TheLargest32BitValueFitsAndOneMoreIsRefused) {
    EXPECT_EQ(builder::narrow_payload_field(0xFFFFFFFFu, "records"), 0xFFFFFFFFu);
    try {
        builder::narrow_payload_field(std::uint64_t{1} << 32, "records");
        ADD_FAILURE() << "2^32 was narrowed";
    } catch (const builder::error& e) {
        EXPECT_STREQ(e.what(), "the records come to 4294967296, more than a 32-bit payload field holds");
    }
}

}  // namespace
