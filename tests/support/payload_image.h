// Hand-made payloads for tests: a small writer of its own, independent of mkinstaller, so that damaged
// and unusual payloads can be made byte by byte, and so that a fault in the builder cannot hide itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct test_entry {
    std::string name{};
    std::string data{};        // the installed file's bytes
    std::uint32_t method = 0;  // METHOD_STORED
    std::string stored{};      // the stored bytes when not stored plainly (compressed, or forged)
    bool use_stored = false;   // take `stored` instead of `data` as the stored bytes
    std::int32_t mtime = 1700000000;
    std::uint16_t mode = 0100755;
};

struct test_payload {
    std::string product = "VORNA";
    std::string version = "1.0";
    std::string platform = "for Linux";
    std::int32_t build_time = 1700000000;  // 2023-11-14 22:13:20 UTC
    std::vector<test_entry> entries;
};

// A compressed stream of one block in single-symbol form: `count` copies of `byte`, no bits per symbol.
std::string single_byte_stream(unsigned char byte, std::uint16_t count);

// A compressed entry whose bytes are `count` copies of `byte` (count up to 65535).
test_entry repeated_byte_entry(const std::string& name, unsigned char byte, std::uint16_t count);

std::string record_bytes(const test_entry& entry, std::uint32_t record_offset);
// The length of `entry`'s record: its fixed fields, its name and the name's padding.
std::size_t record_length(const test_entry& entry);
std::string payload_bytes(const test_payload& payload);  // header block, then every record and its bytes

// The header block begins at `header_offset` (a multiple of 1024); the bytes before it are `prefix`,
// zero-padded.
std::string installer_image(const std::string& prefix, const std::string& payload, std::size_t header_offset);

// The CRC-16 of `length` bytes of `bytes` from `start`.
std::uint16_t crc_of(const std::string& bytes, std::size_t start, std::size_t length);

// Which CRCs of a record reseal_record makes right.
enum class record_crcs {
    record_only,  // the record's own: a stored or data CRC the test forged stays as it is
    // Its stored bytes' CRC and its data CRC too (a compressed entry's from what the decoder makes of its
    // stored bytes, when it makes anything), then the record's; the stored bytes' only when they lie whole
    // in the image. The file size is believed: a compressed file is decoded whole in memory.
    every_one,
};

// Recomputes the CRC of the header block at `header_offset`, or the CRCs of the record at `record_start`.
void reseal_header(std::string& image, std::size_t header_offset);
void reseal_record(std::string& image, std::size_t record_start,
                   record_crcs which = record_crcs::record_only);

// Offset within `image` of record `index` (from 0) of the payload whose header block is at `header_offset`,
// read from the lengths and stored sizes of the records before it; for `index` = the entry count, the end of
// the payload. Walked by the lengths on purpose rather than through mkinstaller's payload walk: the tests
// that check that walk (and the installer's reading) locate records with it, so it must not share their
// faults, and it is asked for records of images about to be damaged and for the end behind the last one,
// which a walk that checks each entry does not hand out.
std::size_t record_start(const std::string& image, std::size_t header_offset, std::size_t index);

// Little-endian field access within an image.
std::uint32_t get_u32(const std::string& image, std::size_t offset);
std::uint16_t get_u16(const std::string& image, std::size_t offset);
void put_u32(std::string& image, std::size_t offset, std::uint32_t value);
void put_u16(std::string& image, std::size_t offset, std::uint16_t value);

}  // namespace testing_support
