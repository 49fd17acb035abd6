// Starting the match finder for one input. The search itself is inline in match_finder.h, since it runs at
// nearly every position.
#include "encoder/match_finder.h"

#include <algorithm>
#include <bit>

namespace encoder {

void start_match_finder(match_finder& finder, const unsigned char* data, std::uint32_t size) {
    finder.data = data;
    finder.size = size;
    // Twice as many chain heads as positions keeps collisions as rare as in the whole table.
    const int bits =
        std::clamp(static_cast<int>(std::bit_width(size)) + 1, ENCODER_SHORT_HASH_BITS, ENCODER_HASH_BITS);
    const int short_bits = std::min(bits - 2, ENCODER_SHORT_HASH_BITS);
    finder.hash_shift = 32 - bits;
    finder.short_hash_shift = 32 - short_bits;
    std::fill_n(finder.head.begin(), std::size_t{1} << bits, 0);
    std::fill_n(finder.short_head.begin(), std::size_t{1} << short_bits, 0);
    // previous needs no clearing: a slot is read only after its position was entered.
}

}  // namespace encoder
