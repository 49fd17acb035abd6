// The installer's side of the payload: the header search and the front-to-back stream of records and
// stored bytes, read from its own file (session.self_file). Every failure here is fatal and ends through
// `error` with its numbered message; the checks themselves are payload/'s, shared with mkinstaller.
#pragma once

#include <cstdio>

#include "payload/file_record.h"
#include "payload/header_block.h"

namespace process {

// Finds the header block in `file`, leaves it verified in `header` and the stream at the first record;
// ends the installer with its message where try_find_header_block (header_block.h) reports a failure.
void find_header_block(std::FILE* file, payload::header_block& header);

// The next record of the stream, checked; ends the installer with its message when damaged.
payload::file_record next_file_record(payload::record_buffer& buffer);

// The entry's stored bytes into `stored` (`stored_size` bytes), CRC-checked; fatal when damaged.
void load_stored_bytes(const payload::file_record& record, unsigned char* stored);

// The same reading and checks through `chunk` (`chunk_size` bytes at a time), keeping none of the bytes.
void check_stored_bytes(const payload::file_record& record, unsigned char* chunk, std::uint32_t chunk_size);

// Ends the installer when the produced file bytes fail their CRC.
void verify_file_bytes(const payload::file_record& record, const unsigned char* bytes);

}  // namespace process
