#include "builder/entry_bytes.h"

#include <cstring>

#include "decoder/decode_file.h"

namespace builder {

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
    } else if (decoder::decode_file(stored.data(), stored.size(), file.data(), file.size()) < 0) {
        return {PROBLEM_DECOMPRESSION, "compressed data carries inconsistent code tables"};
    }
    if (payload::check_file_bytes(record, file.data(), in.crc_table.get()) != payload::CORRUPT_NONE) {
        return {payload::CORRUPT_DATA_CRC, "file bytes fail their data CRC"};
    }
    return {};
}

}  // namespace builder
