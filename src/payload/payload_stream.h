// The installer's side of the payload: the header search and the front-to-back stream of records and
// stored bytes, read from its own file. Every failure here is fatal and ends through `error` with its
// numbered message.
#pragma once

#include <cstdint>
#include <cstdio>

#include "payload/file_record.h"
#include "payload/header_block.h"

namespace payload {

// Finds the header block in `file`, leaves it verified in `header` and the stream at the first record.
void find_header_block(std::FILE* file, header_block& header);

// Reads up to `count` bytes of the installer's own file at its current position; returns how many arrived
// (fewer at the end of the file or on a read error). Never terminates.
std::uint32_t read_payload(void* destination, std::uint32_t count);

// The next record of the stream, checked; ends the installer with its message when damaged.
file_record next_file_record(record_buffer& buffer);

// The entry's stored bytes into `stored` (`stored_size` bytes), CRC-checked; fatal when damaged.
void load_stored_bytes(const file_record& record, unsigned char* stored);

// Ends the installer when the produced file bytes fail their CRC.
void verify_file_bytes(const file_record& record, const unsigned char* bytes);

}  // namespace payload
