// File records: the per-entry records of the payload stream, each followed by the entry's stored bytes
// (none for a delete entry). This file holds the record layout and the checks a record and its bytes must
// pass, reported as the number N of "Corrupted file(s) (err=N)." so that the installer and mkinstaller
// judge a payload alike. Reading stops at the first failure; nothing is skipped or retried.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace payload {

constexpr std::uint32_t RECORD_MIN_LENGTH = 41;
constexpr std::uint32_t RECORD_MAX_LENGTH = 4136;
// Behind the name the writer puts its NUL and 7 further zero bytes.
constexpr std::size_t RECORD_NAME_PADDING = 8;

// Byte offsets of the fields within a record.
constexpr std::size_t RECORD_LENGTH = 0;
constexpr std::size_t RECORD_CRC = 4;
constexpr std::size_t RECORD_DATA_CRC = 6;
constexpr std::size_t RECORD_STORED_CRC = 8;
constexpr std::size_t RECORD_FILE_SIZE = 12;
constexpr std::size_t RECORD_STORED_SIZE = 16;
constexpr std::size_t RECORD_METHOD = 20;
constexpr std::size_t RECORD_OFFSET = 28;
constexpr std::size_t RECORD_MTIME = 32;
constexpr std::size_t RECORD_MODE = 36;
constexpr std::size_t RECORD_NAME = 38;
constexpr std::size_t RECORD_MAX_NAME_LENGTH = RECORD_MAX_LENGTH - RECORD_NAME - RECORD_NAME_PADDING;

// Every method but stored and delete is read as compressed data, but for the two below in an installer
// whose settings give them their meaning (record_methods).
constexpr std::uint32_t METHOD_STORED = 0;
constexpr std::uint32_t METHOD_COMPRESSED = 1;
constexpr std::uint32_t METHOD_DELETE = 2;
// Sets the time and mode of the regular file already at the path; no bytes, both sizes 0. Only an update
// carries it: it saves resending a file whose bytes the release already left.
constexpr std::uint32_t METHOD_TOUCH = 3;
// A symbolic link: the stored bytes are its target text, stored as they are (link_target.h says which
// texts are safe). Only an installer whose profile keeps links carries it.
constexpr std::uint32_t METHOD_LINK = 4;

// The methods an installer's settings give a meaning: a touch in an update, a link where links are kept.
// Elsewhere a record of either method is read as compressed data, as every unknown method is.
struct record_methods {
    bool touch = false;
    bool link = false;
};

// What the checks of an entry found wrong. The value is the N of "Corrupted file(s) (err=N)."
// (corrupted_message, installer_messages.h).
enum class corruption : std::uint8_t {
    none = 0,
    record_length = 1,  // no length left, or a length outside 41..4136
    record_short = 2,   // the record is cut short
    stored_short = 3,   // stored bytes cut short, or sizes that contradict the method
    stored_crc = 4,
    data_crc = 5,
    record = 6,       // record CRC wrong, name unterminated or unsafe
    link_target = 7,  // a link's target text absolute, leaving the target directory, or not a path
};

using record_buffer = std::array<unsigned char, RECORD_MAX_LENGTH>;

struct file_record {
    std::uint32_t record_length;
    std::uint16_t data_crc;
    std::uint16_t stored_crc;
    std::uint32_t file_size;
    std::uint32_t stored_size;
    std::uint32_t method;
    std::uint32_t record_offset;
    std::int32_t mtime;  // 0: neither time nor mode is set
    std::uint16_t mode;
    const char* name;  // points into the record buffer
};

// Whether the entry's file bytes come from the decoder: a compressed entry, unless its file is empty (an
// empty file needs no decoder; its stored bytes are still read and checked).
inline bool needs_decoder(const file_record& record) {
    return record.method != METHOD_STORED && record.method != METHOD_LINK && record.file_size != 0;
}

// Whether the entry's stored bytes are its bytes as they are: a stored file's, or a link's target text.
inline bool is_stored_as_is(const file_record& record) {
    return record.method == METHOD_STORED || record.method == METHOD_LINK;
}

// Whether the entry carries stored bytes to read after its record.
inline bool has_stored_bytes(const file_record& record) {
    return record.method != METHOD_DELETE && record.method != METHOD_TOUCH;
}

// Reads up to `count` bytes of `in` at its position; returns how many arrived (fewer at the end of the
// file or on a read error). The stream advances by that many.
std::uint32_t read_payload_from(std::FILE* in, void* destination, std::uint32_t count);

// Reads the next record from `in` into `buffer` and checks its length, its CRC, its name (terminated within
// the record, and safe) and its sizes against its method. A method outside `methods` comes back as
// METHOD_COMPRESSED, as the record is read. Returns corruption::none with `record` filled, or the first
// failure.
corruption read_file_record(std::FILE* in, record_buffer& buffer, file_record& record,
                            record_methods methods);

// Reads the entry's `stored_size` bytes into `stored` and checks their CRC: none, stored_short or
// stored_crc. `stored` must hold `stored_size` bytes.
corruption read_stored_bytes(std::FILE* in, const file_record& record, unsigned char* stored);

// The same reading and checks through `chunk`, `chunk_size` bytes (at least 1) at a time, keeping none of
// the bytes: for a pass that only checks them.
corruption check_stored_bytes(std::FILE* in, const file_record& record, unsigned char* chunk,
                              std::uint32_t chunk_size);

// Checks the produced file bytes (`file_size` of them) against `data_crc`: none or data_crc.
corruption check_file_bytes(const file_record& record, const unsigned char* bytes);

}  // namespace payload
