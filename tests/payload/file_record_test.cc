// File records and their bytes: every way a record or an entry can be damaged, with the number the
// installer reports for it, and the edges that must still be read.
#include "payload/file_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "payload/crc16.h"
#include "payload/link_target.h"
#include "payload/record_name.h"
#include "support/payload_image.h"

namespace {

using namespace payload;
using testing_support::put_u16;
using testing_support::put_u32;
using testing_support::record_bytes;
using testing_support::reseal_record;
using testing_support::test_entry;

struct record_outcome {
    corruption corrupt;
    file_record record;
    long position_after;
};

class FileRecord : public ::testing::Test {
  protected:
    record_buffer buffer{};
    record_methods methods{};

    record_outcome read(std::string bytes) {
        stream_bytes = std::move(bytes);
        std::FILE* f = fmemopen(stream_bytes.data(), stream_bytes.size(), "rb");
        if (stream_bytes.empty()) f = std::fopen("/dev/null", "rb");
        file_record record{};
        const corruption corrupt = read_file_record(f, buffer, record, methods);
        const long position = std::ftell(f);
        std::fclose(f);
        return {corrupt, record, position};
    }

    // A record of exactly `length` bytes: the name fills it but for one NUL.
    static std::string record_of_length(std::uint32_t length) {
        std::string r = record_bytes(test_entry{.name = "x"}, 0);
        r.resize(length, '\0');
        r.replace(38, length - 38 - 1, std::string(length - 38 - 1, 'n'));
        put_u32(r, 0, length);
        reseal_record(r, 0);
        return r;
    }

    std::string stream_bytes;
};

TEST_F(FileRecord, ReadsEveryField) {
    test_entry entry{.name = "inc/a b.h", .data = "hello", .mtime = -5, .mode = 0100644};
    const std::string r = record_bytes(entry, 777);
    const auto out = read(r + "hello");
    ASSERT_EQ(out.corrupt, corruption::none);
    EXPECT_EQ(out.record.record_length, 38u + 9 + 8);
    EXPECT_EQ(out.record.file_size, 5u);
    EXPECT_EQ(out.record.stored_size, 5u);
    EXPECT_EQ(out.record.method, METHOD_STORED);
    EXPECT_EQ(out.record.record_offset, 777u);
    EXPECT_EQ(out.record.mtime, -5);
    EXPECT_EQ(out.record.mode, 0100644);
    EXPECT_STREQ(out.record.name, "inc/a b.h");
    EXPECT_EQ(out.record.data_crc, crc16_update(0, "hello", 5));
    // The stream stands at the stored bytes.
    EXPECT_EQ(out.position_after, static_cast<long>(r.size()));
}

TEST_F(FileRecord, LengthsFrom41To4136AreRead) {
    for (std::uint32_t length : {41u, 42u, 4135u, 4136u}) {
        const auto out = read(record_of_length(length));
        EXPECT_EQ(out.corrupt, corruption::none) << length;
        EXPECT_EQ(out.position_after, static_cast<long>(length));
    }
}

TEST_F(FileRecord, LengthsOutsideTheRangeAreErr1) {
    for (std::uint32_t length : {0u, 4u, 40u, 4137u, 0x80000000u, 0xFFFFFFFFu}) {
        std::string r = record_of_length(41);
        put_u32(r, 0, length);
        r.resize(5000, '\0');
        EXPECT_EQ(read(r).corrupt, corruption::record_length) << length;
    }
}

TEST_F(FileRecord, AMissingOrCutRecordIsErr1ThenErr2) {
    const std::string r = record_bytes(test_entry{.name = "a.txt", .data = "x"}, 0);
    EXPECT_EQ(read("").corrupt, corruption::record_length);
    EXPECT_EQ(read(r.substr(0, 3)).corrupt, corruption::record_length);
    EXPECT_EQ(read(r.substr(0, 4)).corrupt, corruption::record_short);
    EXPECT_EQ(read(r.substr(0, r.size() - 1)).corrupt, corruption::record_short);
}

TEST_F(FileRecord, AnyChangedBitIsErr6) {
    const std::string good = record_bytes(test_entry{.name = "dir/name.txt", .data = "abc"}, 0);
    for (std::size_t i = 4; i < good.size(); ++i) {
        for (int bit : {0, 7}) {
            std::string bad = good;
            bad[i] ^= static_cast<char>(1 << bit);
            ASSERT_EQ(read(bad).corrupt, corruption::record) << "byte " << i << " bit " << bit;
        }
    }
}

TEST_F(FileRecord, ANameWithoutNulInTheRecordIsErr6) {
    std::string r = record_of_length(60);
    r[59] = 'n';  // the last byte, the name's only NUL
    reseal_record(r, 0);
    EXPECT_EQ(read(r).corrupt, corruption::record);
}

TEST_F(FileRecord, UnsafeNamesAreErr6ForEveryMethod) {
    for (const char* name : {"/etc/passwd", "..", "../x", "a/../../x", "a/..", "/"}) {
        for (std::uint32_t method : {METHOD_STORED, METHOD_COMPRESSED, METHOD_DELETE}) {
            test_entry entry{.name = name, .method = method};
            EXPECT_EQ(read(record_bytes(entry, 0)).corrupt, corruption::record)
                << name << " method " << method;
        }
    }
}

TEST_F(FileRecord, NamesThatOnlyLookOddAreSafe) {
    for (const char* name :
         {"", "...", "..a", "a..", "a/...", "a..b/c", ".hidden", "./x", "a\\..\\b", "a//b"}) {
        EXPECT_FALSE(is_unsafe_name(name)) << name;
    }
}

// Plain names are what the writer produces and the installer's name index follows; mkinstaller names the
// first fault found, so the order is pinned too.
TEST_F(FileRecord, PlainNamesAreSafeAndTheFirstFaultOfOthersIsNamed) {
    struct fault_case {
        const char* name;
        name_fault fault;
    };
    const fault_case cases[] = {
        {"a/b.h", name_fault::none},
        {"...", name_fault::none},
        {"/a\\b", name_fault::absolute},
        {"a\\b/..", name_fault::backslash},
        {"a//..", name_fault::empty_or_dot_component},  // components from the left
        {"../a/./b", name_fault::parent_component},
        {"", name_fault::empty_or_dot_component},
        {"a/", name_fault::empty_or_dot_component},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plain_name_fault(c.name), c.fault) << c.name;
        if (c.fault == name_fault::none) {
            EXPECT_FALSE(is_unsafe_name(c.name)) << c.name;
        }
    }
}

// The installer makes the directories of a path's parent and mkinstaller predicts them from the same cut.
TEST_F(FileRecord, AParentIsCutAtATrailingSeparatorElseTheNearestOne) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"", 0},   {"x", 0},    {"/x", 0},   {"\\x", 0},    {"/", 0},
        {"a/", 1}, {"a/b/", 3}, {"a//b", 2}, {"a/b\\c", 3}, {"T/dir/file", 5},
    };
    for (const auto& [path, length] : cases) EXPECT_EQ(parent_length(path), length) << path;
}

TEST_F(FileRecord, SizesThatContradictTheMethodAreErr3) {
    std::string stored = record_bytes(test_entry{.name = "a", .data = "abc"}, 0);
    put_u32(stored, 16, 4);  // stored_size differs from file_size
    reseal_record(stored, 0);
    EXPECT_EQ(read(stored + "abcd").corrupt, corruption::stored_short);

    std::string del = record_bytes(test_entry{.name = "a", .method = METHOD_DELETE}, 0);
    put_u32(del, 16, 1);
    reseal_record(del, 0);
    EXPECT_EQ(read(del + "z").corrupt, corruption::stored_short);

    // A compressed entry's sizes are free, and so are those of a touch or a link where the installer's
    // settings give the method no meaning: it is read as compressed.
    for (const std::uint32_t method : {METHOD_COMPRESSED, METHOD_TOUCH, METHOD_LINK, 9u}) {
        const std::string packed = record_bytes(
            test_entry{.name = "a", .data = "abcdef", .method = method, .stored = "xy", .use_stored = true},
            0);
        const auto out = read(packed + "xy");
        EXPECT_EQ(out.corrupt, corruption::none) << method;
        EXPECT_EQ(out.record.method, method == 9u ? 9u : METHOD_COMPRESSED);
        methods = {.touch = true, .link = true};
        EXPECT_EQ(read(packed + "xy").corrupt, method == METHOD_TOUCH || method == METHOD_LINK
                                                   ? corruption::stored_short
                                                   : corruption::none)
            << method;
        methods = {};
    }
    // A link's text is stored as it is, 1 to 4095 bytes.
    methods = {.link = true};
    for (const std::size_t size : {std::size_t{0}, LINK_TARGET_MAX + 1}) {
        const std::string text(size, 'a');
        EXPECT_EQ(read(record_bytes(test_entry{.name = "l", .data = text, .method = METHOD_LINK}, 0) + text)
                      .corrupt,
                  corruption::link_target)
            << size;
    }
    const auto link =
        read(record_bytes(test_entry{.name = "l", .data = "t", .method = METHOD_LINK}, 0) + "t");
    EXPECT_EQ(link.corrupt, corruption::none);
    EXPECT_EQ(link.record.method, METHOD_LINK);
}

class EntryBytes : public FileRecord {
  protected:
    corruption read_stored(const test_entry& entry, const std::string& after_record,
                           std::string& stored_out) {
        stream_bytes = record_bytes(entry, 0) + after_record;
        std::FILE* f = fmemopen(stream_bytes.data(), stream_bytes.size(), "rb");
        file_record record{};
        EXPECT_EQ(read_file_record(f, buffer, record, {}), corruption::none);
        stored_out.assign(record.stored_size, '\0');
        const corruption corrupt =
            read_stored_bytes(f, record, reinterpret_cast<unsigned char*>(stored_out.data()));
        std::fclose(f);
        return corrupt;
    }
};

TEST_F(EntryBytes, StoredBytesAreReadAndChecked) {
    const test_entry entry{.name = "a", .data = "payload bytes"};
    std::string stored;
    EXPECT_EQ(read_stored(entry, "payload bytes", stored), corruption::none);
    EXPECT_EQ(stored, "payload bytes");
    EXPECT_EQ(read_stored(entry, "payload byte", stored), corruption::stored_short);
    EXPECT_EQ(read_stored(entry, "payload bytez", stored), corruption::stored_crc);
}

TEST_F(EntryBytes, AnEmptyFileReadsNothingAndHasZeroCrcs) {
    const test_entry entry{.name = "empty"};
    const std::string r = record_bytes(entry, 0);
    EXPECT_EQ(testing_support::get_u32(r, 6) & 0xFFFF, 0u);
    EXPECT_EQ(testing_support::get_u32(r, 8) & 0xFFFF, 0u);
    std::string stored;
    // Nothing follows the record: an empty entry must not try to read.
    EXPECT_EQ(read_stored(entry, "", stored), corruption::none);
}

TEST_F(EntryBytes, FileBytesAreCheckedAgainstTheDataCrc) {
    const test_entry entry{.name = "a", .data = "original"};
    const auto out = read(record_bytes(entry, 0));
    ASSERT_EQ(out.corrupt, corruption::none);
    EXPECT_EQ(check_file_bytes(out.record, reinterpret_cast<const unsigned char*>("original")),
              corruption::none);
    EXPECT_EQ(check_file_bytes(out.record, reinterpret_cast<const unsigned char*>("originaL")),
              corruption::data_crc);
}

}  // namespace

namespace {

// Which link texts are safe from where the link stands: the installer and mkinstaller both refuse the
// others.
TEST(LinkTarget, TextsThatStayInsideTheTargetAreSafe) {
    struct link_case {
        const char* target;
        const char* link;
        link_fault fault;
    };
    const link_case cases[] = {
        {"libfoo.so.5", "lib/libfoo.so", link_fault::none},
        {"../lib/libfoo.so", "bin/libfoo.so", link_fault::none},
        {"./x/../", "a", link_fault::parent_in_path},
        {"../../share/x", "a/b/c", link_fault::none},
        {"../../x", "a/b", link_fault::leaves_target},
        {"..", "top", link_fault::leaves_target},
        {".", "top", link_fault::none},
        {"./../x", "a//./b", link_fault::none},  // "a//./b" lies one directory deep
        {"./../x", ".//b", link_fault::leaves_target},
        {"sub/../x", "a/l", link_fault::parent_in_path},
        {"dir/", "l", link_fault::none},
        {"/etc/hostname", "l", link_fault::absolute},
        {"", "l", link_fault::empty},
        {"caf\xc3\xa9", "l", link_fault::none},
        {"a\nb", "l", link_fault::control_byte},
        {"a\x7f", "l", link_fault::control_byte},
    };
    for (const auto& c : cases) EXPECT_EQ(link_target_fault(c.target, c.link), c.fault) << c.target;
    EXPECT_EQ(link_target_fault(std::string_view("a\0b", 3), "l"), link_fault::control_byte);
    EXPECT_EQ(link_target_fault(std::string(LINK_TARGET_MAX + 1, 'a'), "l"), link_fault::too_long);
}

}  // namespace
