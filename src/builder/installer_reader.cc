// Installer payload reading for list and verify.
#include "builder/installer_reader.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "builder/builder_error.h"
#include "payload/le_bytes.h"

namespace builder {
namespace {

constexpr std::size_t READER_CHUNK = 1 << 16;

std::uint64_t position(const installer_payload& in) {
    return static_cast<std::uint64_t>(ftello(in.file.get()));
}

// read_file_record answers CORRUPT_RECORD for three faults; the record still in `buffer` (with its CRC
// field zeroed) and the CRC bytes still in the file tell them apart.
std::string record_fault(installer_payload& in, std::uint64_t start, const payload::record_buffer& buffer) {
    const std::uint32_t length = payload::load_u32(&buffer[payload::RECORD_LENGTH]);
    unsigned char saved[2] = {0, 0};
    // Moving the stream is harmless: reading stops at this problem.
    (void)fseeko(in.file.get(), static_cast<off_t>(start + payload::RECORD_CRC), SEEK_SET);
    if (std::fread(saved, 1, 2, in.file.get()) == 2 &&
        payload::crc16_update(in.crc_table.get(), 0, buffer.data(), length) != payload::load_u16(saved)) {
        return "record fails its CRC";
    }
    const char* name = reinterpret_cast<const char*>(&buffer[payload::RECORD_NAME]);
    if (std::memchr(name, '\0', length - payload::RECORD_NAME) == nullptr)
        return "name is not terminated within the record";
    return "unsafe name " + in_quotes(name) + " (absolute, or with a \"..\" component)";
}

}  // namespace

installer_payload open_installer(const std::string& path, const std::string& command) {
    installer_payload in;
    in.file.reset(std::fopen(path.c_str(), "rb"));
    if (!in.file) fail_errno(command + ": cannot open " + in_quotes(path));
    struct stat st {};
    if (fstat(fileno(in.file.get()), &st) != 0) fail_errno(command + ": cannot examine " + in_quotes(path));
    if (S_ISDIR(st.st_mode)) throw error(command + ": " + in_quotes(path) + " is a directory");
    in.file_size = static_cast<std::uint64_t>(st.st_size);
    in.crc_table.reset(payload::make_crc16_table());
    if (!in.crc_table) throw error("out of memory");

    switch (payload::locate_header_block(in.file.get(), in.header, &in.header_offset)) {
        case payload::header_search::found:
            return in;
        case payload::header_search::no_memory:
            throw error("out of memory");
        case payload::header_search::not_found:
            throw error(command +
                        ": no header block found (the installer stops with \"Can't find attachments (3).\")");
        case payload::header_search::corrupted:
            throw error(command + ": header block at offset " + std::to_string(in.header_offset) +
                        " fails its CRC (the installer stops with \"Attachments corrupted (3).\")");
    }
    throw error(command + ": unexpected header search result");
}

void require_whole_payload(const installer_payload& in, const std::string& command) {
    const std::uint32_t volume = payload::header_u32(in.header, payload::HEADER_VOLUME);
    if (volume == payload::HEADER_VOLUME_WHOLE) return;
    char text[80];
    std::snprintf(text, sizeof text, "header volume is 0x%08X, not 0xFFFFFFFF", volume);
    throw error(command + ": " + text + " (the installer stops with \"Can't find attachments (err=2).\")");
}

entry_problem read_record(installer_payload& in, payload::record_buffer& buffer,
                          payload::file_record& record) {
    const std::uint64_t start = position(in);
    const int corrupt = payload::read_file_record(in.file.get(), buffer, in.crc_table.get(), record);
    switch (corrupt) {
        case payload::CORRUPT_NONE:
            return {};
        case payload::CORRUPT_RECORD_LENGTH:
            if (start + 4 > in.file_size) return {corrupt, "the file ends where its record is due"};
            return {corrupt, "record length " + std::to_string(payload::load_u32(buffer.data())) +
                                 " is outside " + std::to_string(payload::RECORD_MIN_LENGTH) + ".." +
                                 std::to_string(payload::RECORD_MAX_LENGTH)};
        case payload::CORRUPT_RECORD_SHORT:
            return {corrupt, "record cut short by the end of the file"};
        case payload::CORRUPT_STORED_SHORT:
            return {corrupt, "stored size " +
                                 std::to_string(payload::load_u32(&buffer[payload::RECORD_STORED_SIZE])) +
                                 " contradicts its method (" +
                                 method_name(payload::load_u32(&buffer[payload::RECORD_METHOD])) + ")"};
        case payload::CORRUPT_RECORD:
            return {corrupt, record_fault(in, start, buffer)};
        default:
            return {corrupt, "record rejected"};
    }
}

entry_problem skip_stored_bytes(installer_payload& in, const payload::file_record& record) {
    if (record.method == payload::METHOD_DELETE) return {};
    const std::uint64_t end = position(in) + record.stored_size;
    if (end > in.file_size)
        return {payload::CORRUPT_STORED_SHORT, "stored bytes cut short by the end of the file"};
    (void)fseeko(in.file.get(), static_cast<off_t>(end), SEEK_SET);
    return {};
}

entry_problem crc_stored_bytes(installer_payload& in, const payload::file_record& record,
                               std::uint16_t& crc) {
    std::vector<unsigned char> chunk(READER_CHUNK);
    crc = 0;
    for (std::uint32_t left = record.stored_size; left != 0;) {
        const std::size_t want = left < chunk.size() ? left : chunk.size();
        const std::size_t got = std::fread(chunk.data(), 1, want, in.file.get());
        crc = payload::crc16_update(in.crc_table.get(), crc, chunk.data(), static_cast<std::uint32_t>(got));
        if (got < want)
            return {payload::CORRUPT_STORED_SHORT, "stored bytes cut short by the end of the file"};
        left -= static_cast<std::uint32_t>(got);
    }
    return {};
}

std::string describe_entry_problem(std::uint64_t index, const char* name, const entry_problem& problem) {
    std::string text = "entry " + std::to_string(index);
    if (name != nullptr) text += " " + in_quotes(name);
    text += ": " + problem.what;
    if (problem.corrupt == PROBLEM_DECOMPRESSION) {
        text += " (the installer stops with \"Decompression error (err=1).\")";
    } else if (problem.corrupt > 0 &&
               static_cast<std::size_t>(problem.corrupt) < payload::CORRUPTED_MESSAGES.size()) {
        text += " (the installer stops with " + in_quotes(payload::CORRUPTED_MESSAGES[problem.corrupt]) + ")";
    }
    return text;
}

std::string method_name(std::uint32_t method) {
    switch (method) {
        case payload::METHOD_STORED:
            return "stored";
        case payload::METHOD_COMPRESSED:
            return "compressed";
        case payload::METHOD_DELETE:
            return "delete";
        default:
            return "method " + std::to_string(method);
    }
}

}  // namespace builder
