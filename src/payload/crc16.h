// CRC-16 of the payload: CRC-16/ARC (reflected polynomial 0xA001, start 0, no final XOR) kept with its two
// bytes exchanged. Stored as a little-endian u16, a CRC field's bytes therefore read as the standard value,
// high byte first. The header block, every file record, every entry's stored bytes and every file's bytes
// carry one.
#pragma once

#include <cstdint>

#include "payload/heap_bytes.h"

namespace payload {

// 512 bytes: 0..255 the low bytes, 256..511 the high bytes of the 256 table entries.
constexpr std::size_t CRC16_TABLE_SIZE = 512;

// A newly malloc'd table, or null when memory is exhausted. The caller frees it.
unsigned char* make_crc16_table();

// Runs `length` bytes through the CRC from `start`. Length 0 gives `start`; a null table gives 0xFFFF.
std::uint16_t crc16_update(const unsigned char* table, std::uint16_t start, const void* data,
                           std::uint32_t length);

using crc16_table_ptr = heap_bytes;

}  // namespace payload
