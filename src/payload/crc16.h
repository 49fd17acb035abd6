// CRC-16 of the payload: CRC-16/ARC (reflected polynomial 0xA001, start 0, no final XOR) kept with its two
// bytes exchanged. Stored as a little-endian u16, a CRC field's bytes therefore read as the standard value,
// high byte first. The header block, every file record, every entry's stored bytes and every file's bytes
// carry one.
#pragma once

#include <cstdint>

#include "payload/heap_bytes.h"

namespace payload {

// Runs `length` bytes through the CRC from `start`. Length 0 gives `start`. The table it uses is built at
// compile time, so it needs no memory and cannot fail.
std::uint16_t crc16_update(std::uint16_t start, const void* data, std::uint32_t length);

// The installer reports an exhausted heap where it once allocated a 512-byte CRC table: "Insufficient
// memory (2)." before the header check and "Insufficient memory (err=3)." before installing. Those two
// places hold this reservation for as long as they held the table, so the reports, and the memory left to
// everything after them, stay as they were. Null when memory is exhausted.
constexpr std::size_t CRC16_RESERVATION_SIZE = 512;
heap_bytes reserve_crc16_memory();

}  // namespace payload
