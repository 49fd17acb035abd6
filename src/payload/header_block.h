// The header block: the first 1028 bytes of the payload, found by its distribution marker at a positive
// multiple of 1024 within the installer's file. This file holds its layout, field access and the search;
// the installer's fatal messages for a failed search live with the payload stream.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "payload/le_bytes.h"

namespace payload {

constexpr std::size_t HEADER_SIZE = 1028;
constexpr std::size_t HEADER_ALIGNMENT = 1024;
constexpr std::size_t HEADER_MARKER_SIZE = 252;
constexpr std::size_t HEADER_TEXT_SIZE = 64;

// Byte offsets of the fields within the block.
constexpr std::size_t HEADER_FILE_COUNT = 256;
constexpr std::size_t HEADER_TOTAL_SIZE = 260;
constexpr std::size_t HEADER_TOTAL_STORED_SIZE = 264;
constexpr std::size_t HEADER_TOTAL_RECORD_SIZE = 268;
constexpr std::size_t HEADER_ALL_ONES = 272;
constexpr std::size_t HEADER_VOLUME = 276;
constexpr std::size_t HEADER_FILE_COUNT_COPY = 284;
constexpr std::size_t HEADER_REQUIRED_SPACE = 348;
constexpr std::size_t HEADER_CRC = 416;
constexpr std::size_t HEADER_PRODUCT_NAME = 418;
constexpr std::size_t HEADER_VERSION = 482;
constexpr std::size_t HEADER_PLATFORM = 546;
constexpr std::size_t HEADER_BUILD_TIME = 740;

// The only volume the installer accepts: the payload lies whole in its own file.
constexpr std::uint32_t HEADER_VOLUME_WHOLE = 0xFFFFFFFF;

using header_block = std::array<unsigned char, HEADER_SIZE>;
using distribution_marker = std::array<unsigned char, HEADER_MARKER_SIZE>;

// The marker as the program keeps it: its fifth digit (index 40) is one lower than in a payload, so that
// the executable's own data never contains a marker for the search to find.
extern const char HEADER_MARKER_KEPT[HEADER_MARKER_SIZE + 1];

// The marker a payload carries: the kept constant with 1 added to its byte 40.
distribution_marker make_distribution_marker();

inline std::uint32_t header_u32(const header_block& h, std::size_t offset) {
    return load_u32(&h[offset]);
}

inline std::int32_t header_build_time(const header_block& h) {
    return static_cast<std::int32_t>(header_u32(h, HEADER_BUILD_TIME));
}

// A text field up to its NUL, never past its 64th byte (a hand-made block may have no NUL there).
std::string_view header_text(const header_block& h, std::size_t offset);

// The block's CRC-16, taken as if its CRC field were 0; the block itself is left unchanged.
std::uint16_t compute_header_crc(const header_block& h);

enum class header_search { found, not_found, no_memory, corrupted };

// Tries the offsets 1024, 2048, ... in turn; the first whose 1028 bytes begin with the marker wins and
// nothing behind it is searched. On `found` the block is CRC-checked and the stream stands at the byte
// behind it. `offset`, when given, receives where the marker was found (on `corrupted` too). Never
// terminates: the installer's find_header_block (payload_stream.h) is the one that ends with a message.
header_search try_find_header_block(std::FILE* file, header_block& header, std::uint64_t* offset = nullptr);

}  // namespace payload
