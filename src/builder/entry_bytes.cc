#include "builder/entry_bytes.h"

#include <algorithm>
#include <cstring>

#include "decoder/codec.h"

namespace builder {
namespace {

// In chunks of 8192 bytes, every call but the last a full one, as the installer asks: the decoder's
// window indices depend on it.
bool decode_file(const std::vector<unsigned char>& stored, std::vector<unsigned char>& file) {
    decoder::codec_context* codec = nullptr;
    if (decoder::codec_open(&codec) < 0) return false;
    decoder::input_span input{stored.data(), stored.data() + stored.size()};
    bool ok = true;
    for (std::size_t done = 0; ok && done < file.size();) {
        const std::size_t chunk = std::min<std::size_t>(file.size() - done, decoder::CODEC_CHUNK_SIZE);
        decoder::output_span output{file.data() + done, file.data() + done + chunk};
        ok = decoder::decode_chunk(codec, &input, &output) >= 0;
        done += chunk;
    }
    decoder::codec_close(&codec);
    return ok;
}

}  // namespace

entry_problem read_stored_bytes(installer_payload& in, const payload::file_record& record,
                                std::vector<unsigned char>& stored) {
    stored.resize(record.stored_size);
    switch (payload::read_stored_bytes(in.file.get(), record, stored.data(), in.crc_table.get())) {
        case payload::CORRUPT_NONE:
            return {};
        case payload::CORRUPT_STORED_SHORT:
            return {payload::CORRUPT_STORED_SHORT, "stored bytes cut short by the end of the file"};
        default:
            return {payload::CORRUPT_STORED_CRC, "stored bytes fail their CRC"};
    }
}

entry_problem produce_file_bytes(const installer_payload& in, const payload::file_record& record,
                                 const std::vector<unsigned char>& stored, std::vector<unsigned char>& file) {
    file.resize(record.file_size);
    if (record.method == payload::METHOD_STORED) {
        if (record.file_size != 0) std::memcpy(file.data(), stored.data(), record.file_size);
    } else if (record.file_size != 0 && !decode_file(stored, file)) {
        return {PROBLEM_DECOMPRESSION, "compressed data carries inconsistent code tables"};
    }
    if (payload::check_file_bytes(record, file.data(), in.crc_table.get()) != payload::CORRUPT_NONE) {
        return {payload::CORRUPT_DATA_CRC, "file bytes fail their data CRC"};
    }
    return {};
}

}  // namespace builder
