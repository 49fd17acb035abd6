// Serialisation of a file record: the fixed 38 bytes, the name, its NUL and 7 further zero bytes.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace builder {

// The mode of every file with --uniform-mode, and of a record written without one: a regular file, 0755.
constexpr std::uint16_t WRITER_FILE_MODE = 0100755;

struct record_fields {
    std::uint16_t data_crc = 0;
    std::uint16_t stored_crc = 0;
    std::uint32_t file_size = 0;
    std::uint32_t stored_size = 0;
    std::uint32_t method = 0;
    std::uint32_t record_offset = 0;  // distance from the first record
    std::int32_t mtime = 0;
    std::uint16_t mode = WRITER_FILE_MODE;
    std::string_view name;
};

// The record length for a name of `name_length` bytes.
std::uint32_t record_length_for(std::size_t name_length);

// The record's bytes with its CRC filled in. The name must fit (at most RECORD_MAX_NAME_LENGTH bytes).
std::vector<unsigned char> serialise_record(const record_fields& fields);

}  // namespace builder
