// The LZ77 parse: walks the input once and hands every literal and match to the block splitter. The
// compression levels are the search budgets and the choice between greedy and lazy matching; the
// statistics and codes are elsewhere.
#pragma once

#include <array>
#include <cstdint>

#include "encoder/block_splitter.h"
#include "encoder/match_finder.h"

namespace encoder {

struct level_settings {
    std::uint32_t max_chain;    // candidates examined per search
    std::uint32_t good_length;  // lazy: a pending match this long cuts the next search to a quarter
    std::uint32_t lazy_length;  // lazy: no second search after a match this long; greedy: longest match
                                // whose inner positions are entered into the chains
    std::uint32_t nice_length;  // a match this long ends the search
    bool lazy;                  // try the next position before taking a match
    std::uint32_t segment;      // symbols per block-splitting decision
    std::uint32_t passes;       // above 0: near-optimal parse with this many passes (optimal_parser.h),
                                // max_chain then bounding each tree search and nice_length its matches
};

// Levels 1..9; entry 0 is unused.
inline constexpr std::array<level_settings, 10> ENCODER_LEVELS = {{
    {0, 0, 0, 0, false, 0, 0},
    {4, 4, 4, 8, false, 8192, 0},
    {8, 4, 5, 16, false, 8192, 0},
    {32, 4, 6, 32, false, 8192, 0},
    {16, 4, 4, 16, true, 4096, 0},
    {32, 8, 16, 32, true, 4096, 0},
    {80, 8, 32, 256, true, 4096, 0},
    {256, 8, 256, 256, true, 2048, 0},
    {1024, 32, 128, 256, true, 2048, 0},
    {32, 32, 256, 256, true, 2048, 2},
}};

void parse_input(match_finder& finder, block_splitter& splitter, const level_settings& settings);

}  // namespace encoder
