// The symbol alphabet's code lengths as one bit set per length: which symbols have a code of each length up
// to the symbol table's width. A table build walks these sets in canonical order (by length, then by
// symbol) without sorting the symbols through memory.
#pragma once

#include <array>
#include <cstdint>

#include "decoder/codec_context.h"

namespace decoder {

struct length_masks {
    static constexpr int WORDS = (CODEC_SYMBOL_COUNT + 63) / 64;
    // [length][word]: bit b of word w is set when symbol 64 w + b has that length.
    std::array<std::array<std::uint64_t, WORDS>, CODEC_SYMBOL_TABLE_BITS + 1> of;
    std::array<std::uint32_t, CODEC_SYMBOL_TABLE_BITS + 1> count;  // symbols per length
    std::uint32_t coded;  // symbols with any nonzero length, longer ones included
};

// Fills masks from the CODEC_SYMBOL_COUNT lengths at lengths.
void find_length_masks(const std::uint8_t* lengths, length_masks* masks);

}  // namespace decoder
