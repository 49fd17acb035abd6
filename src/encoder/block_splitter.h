// Where blocks end: the parse arrives here symbol by symbol, in segments; each closed segment either joins
// the current block or starts a new one, whichever costs fewer bits exactly as planned. Holds no match
// finding and no bit-level layout.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "encoder/bit_writer.h"
#include "encoder/block_plan.h"

namespace encoder {

struct block_splitter {
    // [0, block_count): the current block; then segment_count symbols of the open segment.
    std::array<lz_symbol, ENCODER_MAX_BLOCK_SYMBOLS> symbols;
    std::uint32_t block_count;
    std::uint32_t segment_count;
    std::uint32_t segment_limit;
    block_stats block;
    block_stats segment;
    block_stats merged;
    std::uint64_t block_bits;  // planned size of the current block alone
    block_plan plan;
    plan_scratch scratch;
    bit_writer writer;
};

void start_splitter(block_splitter& splitter, std::vector<unsigned char>& out, std::uint32_t segment_limit);

void close_segment(block_splitter& splitter);

inline void push_symbol(block_splitter& splitter, lz_symbol item) {
    splitter.symbols[splitter.block_count + splitter.segment_count++] = item;
    count_symbol(splitter.segment, item);
    // A segment also closes where it would take the block past the block size limit.
    if (splitter.segment_count == splitter.segment_limit ||
        splitter.block_count + splitter.segment_count == ENCODER_MAX_BLOCK_SYMBOLS) {
        close_segment(splitter);
    }
}

// Writes whatever is pending and pads the last byte.
void finish_splitter(block_splitter& splitter);

}  // namespace encoder
