// Reading an installer's payload front to back as the installer does, for list and verify: the header
// search, then record by record. Problems are described in words together with the message the installer
// would stop with.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "payload/crc16.h"
#include "payload/file_record.h"
#include "payload/header_block.h"

namespace builder {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

struct installer_payload {
    std::unique_ptr<std::FILE, file_closer> file;
    std::uint64_t file_size = 0;
    payload::header_block header{};
    std::uint64_t header_offset = 0;
    payload::crc16_table_ptr crc_table;
};

// Opens the installer and finds its header block. Throws error, the message starting with `command`
// ("list", "verify"), when the file cannot be read or the block is missing or damaged. On return the
// stream stands at the first record.
installer_payload open_installer(const std::string& path, const std::string& command);

// The installer stops on this one with "Decompression error (err=1).", not with a numbered corruption.
constexpr int PROBLEM_DECOMPRESSION = -1;

// Throws error, the message starting with `command`, unless the payload lies whole in the file (the only
// volume the installer accepts).
void require_whole_payload(const installer_payload& in, const std::string& command);

// A problem with one entry: what is wrong, and the CORRUPT_* number the installer would stop with (or
// PROBLEM_DECOMPRESSION).
struct entry_problem {
    int corrupt = payload::CORRUPT_NONE;
    std::string what;
};

// Reads the next record; a problem leaves `record` undefined.
entry_problem read_record(installer_payload& in, payload::record_buffer& buffer,
                          payload::file_record& record);

// Moves past the entry's stored bytes, checking only that they are all there.
entry_problem skip_stored_bytes(installer_payload& in, const payload::file_record& record);

// Runs the entry's stored bytes through the CRC chunk by chunk into `crc`; checks only that they are all
// there.
entry_problem crc_stored_bytes(installer_payload& in, const payload::file_record& record, std::uint16_t& crc);

// "entry 3" or `entry 3 "docs/a.txt"`, then the problem and the installer's message.
std::string describe_entry_problem(std::uint64_t index, const char* name, const entry_problem& problem);

std::string method_name(std::uint32_t method);

}  // namespace builder
