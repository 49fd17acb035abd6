// The encode step of one entry: the method and the stored bytes that represent a file's bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "encoder/encoder.h"

namespace builder {

struct encode_options {
    bool force_store = false;                    // --store
    int level = encoder::ENCODER_LEVEL_DEFAULT;  // the compressor's level, 1..9
};

struct encoded_entry {
    std::uint32_t method = 0;
    // The stored bytes: the file's own bytes when stored, else `owned`.
    std::span<const unsigned char> stored;
    std::vector<unsigned char> owned;
};

encoded_entry encode_entry(std::span<const unsigned char> file_bytes, const encode_options& options);

}  // namespace builder
