// Streaming an entry's bytes.
#include "builder/inspect/entry_bytes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "decoder/chunk_loop.h"
#include "decoder/codec.h"
#include "payload/crc16.h"
#include "payload/link_target.h"

namespace builder {
namespace {

constexpr std::size_t ENTRY_STORED_CHUNK = 1 << 16;

std::uint64_t produced = 0;

struct codec_handle {
    decoder::codec_context* codec = nullptr;
    ~codec_handle() { decoder::codec_close(&codec); }
};

void write_out(const entry_output& output, const unsigned char* bytes, std::size_t size) {
    produced += size;
    if (output.digest != nullptr) sha256_update(*output.digest, bytes, size);
    if (output.text != nullptr) output.text->append(reinterpret_cast<const char*>(bytes), size);
    if (output.fd < 0) return;
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = write(output.fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail_errno("cannot write " + output.name);
        done += static_cast<std::size_t>(n);
    }
}

entry_problem cut_short() {
    return corrupted(payload::corruption::stored_short, "stored bytes cut short by the end of the file");
}

entry_problem check_crcs(const payload::file_record& record, std::uint16_t stored_crc,
                         std::uint16_t data_crc) {
    if (stored_crc != record.stored_crc)
        return corrupted(payload::corruption::stored_crc, "stored bytes fail their CRC");
    if (data_crc != record.data_crc)
        return corrupted(payload::corruption::data_crc, "file bytes fail their data CRC");
    return {};
}

// A stored entry's bytes are the file itself: one pass checks both CRCs without holding the file.
entry_problem stream_stored(installer_payload& in, const payload::file_record& record,
                            const entry_output& output) {
    std::vector<unsigned char> chunk(std::min<std::size_t>(record.stored_size, ENTRY_STORED_CHUNK));
    std::uint16_t crc = 0;
    for (std::uint32_t left = record.stored_size; left != 0;) {
        const std::size_t want = std::min<std::size_t>(left, chunk.size());
        if (std::fread(chunk.data(), 1, want, in.file.get()) != want) return cut_short();
        crc = payload::crc16_update(crc, chunk.data(), static_cast<std::uint32_t>(want));
        write_out(output, chunk.data(), want);
        left -= static_cast<std::uint32_t>(want);
    }
    return check_crcs(record, crc, crc);
}

// A link's text, held whole (read_file_record bounds it), is judged as the installer judges it before
// anything else sees it.
entry_problem stream_link(installer_payload& in, const payload::file_record& record,
                          const entry_output& output) {
    std::string text(record.stored_size, '\0');
    if (std::fread(text.data(), 1, text.size(), in.file.get()) != text.size()) return cut_short();
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::uint16_t crc = payload::crc16_update(0, bytes, record.stored_size);
    if (const entry_problem wrong = check_crcs(record, crc, crc); wrong.found()) return wrong;
    if (const auto fault = payload::link_target_fault(text, record.name); fault != payload::link_fault::none)
        return corrupted(payload::corruption::link_target, "a link whose text " + shown(text) + " " +
                                                               std::string(payload::link_fault_words(fault)));
    write_out(output, bytes, text.size());
    return {};
}

// The decoder asked for the file chunk by chunk, as the installer asks (chunk_loop.h).
entry_problem stream_compressed(installer_payload& in, const payload::file_record& record,
                                const entry_output& output) {
    std::vector<unsigned char> stored(record.stored_size);
    switch (payload::read_stored_bytes(in.file.get(), record, stored.data())) {
        case payload::corruption::none:
            break;
        case payload::corruption::stored_short:
            return cut_short();
        default:
            return corrupted(payload::corruption::stored_crc, "stored bytes fail their CRC");
    }
    std::uint16_t crc = 0;
    if (record.file_size != 0) {  // an empty file needs no decoder
        codec_handle handle;
        if (decoder::codec_open(&handle.codec) < 0) throw std::bad_alloc();
        decoder::input_span input{stored.data(), stored.data() + stored.size()};
        std::vector<unsigned char> chunk(decoder::CODEC_CHUNK_SIZE);
        // Each chunk is decoded into the one buffer and passed on: the file is never held whole.
        const auto decode_and_write = [&](std::size_t begin, std::size_t end) {
            decoder::output_span out{chunk.data(), chunk.data() + (end - begin)};
            const int result = decoder::decode_chunk(handle.codec, &input, &out);
            if (result == 0) {
                crc = payload::crc16_update(crc, chunk.data(), static_cast<std::uint32_t>(end - begin));
                write_out(output, chunk.data(), end - begin);
            }
            return result;
        };
        if (decoder::for_each_chunk(record.file_size, decode_and_write, decoder::until_failure) < 0)
            return {problem_kind::decompression, {}, "compressed data carries inconsistent code tables"};
    }
    return check_crcs(record, record.stored_crc, crc);
}

}  // namespace

std::uint64_t entry_bytes_produced() {
    return produced;
}

entry_problem stream_entry_bytes(installer_payload& in, const payload::file_record& record,
                                 const entry_output& output) {
    // Before anything is allocated: a size the file cannot hold is the installer's short read.
    if (record.stored_size > bytes_left(in)) return cut_short();
    if (record.method == payload::METHOD_STORED) return stream_stored(in, record, output);
    if (record.method == payload::METHOD_LINK) return stream_link(in, record, output);
    return stream_compressed(in, record, output);
}

}  // namespace builder
