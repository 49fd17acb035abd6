// Optimal prefix-code lengths under a length limit, for one alphabet of at most 510 symbols. Only the
// lengths; turning them into codes is canonical_codes.h, and sending them is block_writer.cc.
#pragma once

#include <array>
#include <cstdint>

#include "encoder/format.h"

namespace encoder {

constexpr int ENCODER_MAX_ALPHABET = decoder::FORMAT_SYMBOL_COUNT;

// Working memory, kept by the caller so that no block allocates.
struct code_length_scratch {
    std::array<std::uint64_t, ENCODER_MAX_ALPHABET> keys;       // frequency above symbol, for sorting
    std::array<std::uint16_t, ENCODER_MAX_ALPHABET> order;      // used symbols by rising frequency
    std::array<std::uint32_t, ENCODER_MAX_ALPHABET> depth;      // per rank: weight, then parent, then depth
    std::array<std::uint64_t, 2 * ENCODER_MAX_ALPHABET> items;  // package-merge: one level's items
    std::array<std::uint64_t, 2 * ENCODER_MAX_ALPHABET> packages;
    // package-merge: per level, whether each item of that level is a package (1) or a leaf (0)
    std::array<std::array<std::uint8_t, 2 * ENCODER_MAX_ALPHABET>, decoder::FORMAT_MAX_CODE_LENGTH>
        is_package;
    std::array<std::uint16_t, decoder::FORMAT_MAX_CODE_LENGTH> item_count;
};

// Fills lengths[0..count) with code lengths of at most max_length bits that minimise the sum of
// frequency times length; unused symbols get 0. Returns the number of used symbols. With fewer than two,
// every length is 0: a lone code has no complete code set, so the caller sends it in single-code form.
// Presumes count <= 510, 1 <= max_length <= 16, and used symbols <= 2^max_length.
int build_code_lengths(const std::uint32_t* frequencies, int count, int max_length, std::uint8_t* lengths,
                       code_length_scratch& scratch);

}  // namespace encoder
