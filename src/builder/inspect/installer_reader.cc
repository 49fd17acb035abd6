// The header search, records and stored bytes of an installer file, and the words for their problems.
#include "builder/inspect/installer_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "builder/inspect/kept_search.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/crc16.h"
#include "payload/installer_messages.h"
#include "payload/installer_report.h"
#include "payload/le_bytes.h"
#include "payload/link_target.h"

namespace builder {
namespace {

// A stub is a program of a few megabytes. A larger program in front of a payload is read again when its
// regions are wanted, rather than held while the search goes on: a file without a header block would be
// held whole.
constexpr std::size_t READER_HELD_MAX = std::size_t{16} << 20;

// How every problem ends: with the message the installer would stop with, quoted.
std::string installer_stops_with(const std::string& message) {
    return " (the installer stops with " + shown(message) + ")";
}

std::uint64_t position(const installer_payload& in) {
    return static_cast<std::uint64_t>(ftello(in.file.get()));
}

// read_file_record answers corruption::record for three faults; the record still in `buffer` (with its CRC
// field zeroed) and the CRC bytes still in the file tell them apart.
std::string record_fault(installer_payload& in, std::uint64_t start, const payload::record_buffer& buffer) {
    const std::uint32_t length = payload::load_u32(&buffer[payload::RECORD_LENGTH]);
    unsigned char saved[2] = {0, 0};
    // Moving the stream is harmless: reading stops at this problem.
    (void)fseeko(in.file.get(), static_cast<off_t>(start + payload::RECORD_CRC), SEEK_SET);
    if (std::fread(saved, 1, 2, in.file.get()) == 2 &&
        payload::crc16_update(0, buffer.data(), length) != payload::load_u16(saved)) {
        return "record fails its CRC";
    }
    const char* name = reinterpret_cast<const char*>(&buffer[payload::RECORD_NAME]);
    if (std::memchr(name, '\0', length - payload::RECORD_NAME) == nullptr)
        return "name is not terminated within the record";
    return "unsafe name " + shown(name) + " (absolute, or with a \"..\" component)";
}

// The installer's header search over the file, which keeps the program in front of the payload.
payload::header_search search_leading(installer_payload& in) {
    // Room reserved, not touched: the kept bytes grow without being copied and paged in again.
    in.leading.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(in.file_size, READER_HELD_MAX)));
    const payload::header_search found =
        search_keeping_bytes(fileno(in.file.get()), in.header, in.header_offset, in.leading, READER_HELD_MAX);
    if (found == payload::header_search::found)
        (void)fseeko(in.file.get(), static_cast<off_t>(in.header_offset + payload::HEADER_SIZE), SEEK_SET);
    return found;
}

// The words for the header search's result.
std::string header_problem(const installer_payload& in, payload::header_search found) {
    switch (found) {
        case payload::header_search::found:
            return "";
        case payload::header_search::no_memory:
            throw std::bad_alloc();
        case payload::header_search::not_found:
            return "no header block found" + installer_stops_with(payload::MESSAGE_NO_HEADER);
        case payload::header_search::corrupted:
            return "header block at offset " + std::to_string(in.header_offset) + " fails its CRC" +
                   installer_stops_with(payload::MESSAGE_HEADER_CORRUPTED);
    }
    return "unexpected header search result";
}

}  // namespace

std::string open_installer_into(const std::string& path, installer_payload& in) {
    try {
        input_file input = open_regular_input(path, "");
        in.file = std::move(input.file);
        in.file_size = input.size;
    } catch (const error& e) {
        return e.what();
    }
    return header_problem(in, search_leading(in));
}

std::string open_installer_image(const std::string& image, installer_payload& in) {
    // Opened for reading only: the buffer is never written through the stream.
    in.file.reset(fmemopen(const_cast<char*>(image.data()), image.size(), "rb"));
    if (!in.file) throw std::bad_alloc();
    in.file_size = image.size();
    const payload::header_search found =
        payload::try_find_header_block(in.file.get(), in.header, &in.header_offset);
    in.leading = found == payload::header_search::found ? image.substr(0, in.header_offset) : std::string();
    return header_problem(in, found);
}

installer_payload open_installer(const std::string& path, const std::string& command) {
    installer_payload in;
    const std::string problem = open_installer_into(path, in);
    if (!problem.empty()) throw error(command + ": " + problem);
    return in;
}

std::uint64_t bytes_left(const installer_payload& in) {
    const std::uint64_t at = position(in);
    return at < in.file_size ? in.file_size - at : 0;
}

std::string_view program_bytes(installer_payload& in, const std::string& command) {
    if (in.leading.size() < in.header_offset) {
        // Not held: a program too large to be held while searching.
        std::string bytes(in.header_offset, '\0');
        const int fd = fileno(in.file.get());
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t got = pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) fail_errno(command + ": cannot read the program in front of the payload");
            if (got == 0) throw error(command + ": the file shrank while it was read");
            done += static_cast<std::size_t>(got);
        }
        in.leading = std::move(bytes);
    }
    return std::string_view(in.leading).substr(0, in.header_offset);
}

std::string whole_payload_problem(const installer_payload& in) {
    const std::uint32_t volume = payload::header_u32(in.header, payload::HEADER_VOLUME);
    if (volume == payload::HEADER_VOLUME_WHOLE) return "";
    char text[80];
    std::snprintf(text, sizeof text, "header volume is 0x%08X, not 0xFFFFFFFF", volume);
    return text + installer_stops_with(payload::MESSAGE_NOT_WHOLE);
}

void require_whole_payload(const installer_payload& in, const std::string& command) {
    const std::string problem = whole_payload_problem(in);
    if (!problem.empty()) throw error(command + ": " + problem);
}

entry_problem corrupted(payload::corruption corrupt, std::string what) {
    return {problem_kind::corrupted, corrupt, std::move(what)};
}

entry_problem read_record(installer_payload& in, payload::record_buffer& buffer, payload::file_record& record,
                          payload::record_methods methods) {
    const std::uint64_t start = position(in);
    const payload::corruption corrupt = payload::read_file_record(in.file.get(), buffer, record, methods);
    switch (corrupt) {
        case payload::corruption::none:
            return {};
        case payload::corruption::record_length:
            if (start + 4 > in.file_size) return corrupted(corrupt, "the file ends where its record is due");
            return corrupted(corrupt, "record length " + std::to_string(payload::load_u32(buffer.data())) +
                                          " is outside " + std::to_string(payload::RECORD_MIN_LENGTH) + ".." +
                                          std::to_string(payload::RECORD_MAX_LENGTH));
        case payload::corruption::record_short:
            return corrupted(corrupt, "record cut short by the end of the file");
        case payload::corruption::stored_short:
            return corrupted(corrupt,
                             "stored size " +
                                 std::to_string(payload::load_u32(&buffer[payload::RECORD_STORED_SIZE])) +
                                 " contradicts its method (" +
                                 method_name(payload::load_u32(&buffer[payload::RECORD_METHOD])) + ")");
        case payload::corruption::record:
            return corrupted(corrupt, record_fault(in, start, buffer));
        case payload::corruption::link_target:
            return corrupted(
                corrupt, "a link whose target text is " +
                             std::to_string(payload::load_u32(&buffer[payload::RECORD_FILE_SIZE])) +
                             " bytes long; a target holds 1 to " + std::to_string(payload::LINK_TARGET_MAX));
        default:
            return corrupted(corrupt, "record rejected");
    }
}

entry_problem skip_stored_bytes(installer_payload& in, const payload::file_record& record) {
    if (!payload::has_stored_bytes(record)) return {};
    if (record.stored_size > bytes_left(in))
        return corrupted(payload::corruption::stored_short, "stored bytes cut short by the end of the file");
    (void)fseeko(in.file.get(), static_cast<off_t>(position(in) + record.stored_size), SEEK_SET);
    return {};
}

std::string describe_entry_problem(std::uint64_t index, const char* name, const entry_problem& problem) {
    std::string text = "entry " + std::to_string(index);
    if (name != nullptr) text += " " + shown(name);
    text += ": " + problem.what;
    switch (problem.kind) {
        case problem_kind::corrupted:
            if (const char* message = payload::corrupted_message(problem.corrupt))
                text += installer_stops_with(message);
            break;
        case problem_kind::decompression:
            text += installer_stops_with(payload::MESSAGE_DECOMPRESSION);
            break;
        case problem_kind::layout:
            text += installer_stops_with(problem.installer_message);
            break;
        default:
            break;
    }
    return text;
}

std::string method_name(std::uint32_t method) {
    return payload::method_name(method).data();
}

}  // namespace builder
