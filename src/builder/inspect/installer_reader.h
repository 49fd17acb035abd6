// Reading an installer file as the installer does, for every reading command: the opening and the header
// search, which keeps the program in front of the payload it reads on the way, then the steps of one entry
// that the records pass (payload_records.h) and the payload walk (payload_walk.h) put in order. Problems
// are described in words together with the message the installer would stop with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "builder/util/input_file.h"

#include "payload/file_record.h"
#include "payload/header_block.h"

namespace builder {

struct installer_payload {
    file_ptr file;
    std::uint64_t file_size = 0;  // as it was at opening: no size read from the payload may exceed it
    payload::header_block header{};
    std::uint64_t header_offset = 0;  // where the marker was found, even when its block fails its CRC
    // The file's first bytes, as the header search read them: the program in front of the payload among
    // them unless it was too large to be held (program_bytes then reads it).
    std::string leading;
};

// Opens the installer (a regular file only) and finds its header block. Returns an empty text, the stream
// standing at the first record, or what is wrong (without a command name) with the installer's message.
std::string open_installer_into(const std::string& path, installer_payload& in);

// open_installer_into for an installer image held in memory (the fuzzer's, the tests'). The image must
// outlive `in` and keep its size; its bytes may change while nothing is read.
std::string open_installer_image(const std::string& image, installer_payload& in);

// open_installer_into, but throws error, the message starting with `command` ("list", "verify").
installer_payload open_installer(const std::string& path, const std::string& command);

// The bytes of the program in front of the payload: those the header search held, else read now (the
// stream does not move). Throws error, the message starting with `command`, when they cannot be read.
std::string_view program_bytes(installer_payload& in, const std::string& command);

// The bytes behind the stream's position, as far as the size at opening goes.
std::uint64_t bytes_left(const installer_payload& in);

// Empty when the payload lies whole in the file (the only volume the installer accepts), else what is
// wrong with the installer's message; require_whole_payload throws it as error after `command`.
std::string whole_payload_problem(const installer_payload& in);
void require_whole_payload(const installer_payload& in, const std::string& command);

// What is wrong with an entry, and so the message the installer stops with there.
enum class problem_kind : std::uint8_t {
    none,
    corrupted,      // a check of the payload fails: payload::corrupted_message(corrupt)
    decompression,  // the stored bytes do not decode: MESSAGE_DECOMPRESSION
    layout,         // the entry cannot be laid out in the target: `installer_message`
    // An entry takes a sum of the records past the header's total: no installer stops here, but no
    // header written for this payload says so (payload_walk.h).
    totals,
};

// A problem with one entry: its kind, and what is wrong in words.
struct entry_problem {
    problem_kind kind = problem_kind::none;
    payload::corruption corrupt = payload::corruption::none;  // with corrupted
    std::string what{};
    std::string installer_message{};  // with layout

    bool found() const { return kind != problem_kind::none; }
};

// An entry that fails the payload check `corrupt`.
entry_problem corrupted(payload::corruption corrupt, std::string what);

// Reads the next record, a method outside `methods` as compressed; a problem leaves `record` undefined.
entry_problem read_record(installer_payload& in, payload::record_buffer& buffer, payload::file_record& record,
                          payload::record_methods methods);

// Moves past the entry's stored bytes, checking only that they are all there.
entry_problem skip_stored_bytes(installer_payload& in, const payload::file_record& record);

// "entry 3" or `entry 3 "docs/a.txt"`, then the problem and the installer's message; the name's control
// bytes escaped.
std::string describe_entry_problem(std::uint64_t index, const char* name, const entry_problem& problem);

std::string method_name(std::uint32_t method);

}  // namespace builder
