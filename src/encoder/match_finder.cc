// Match search. Candidates come newest first, so among equal lengths the nearest wins, which keeps
// distance classes small. A candidate is first tested at the byte that would make it longer than the
// best so far; most fail there without a full comparison.
#include "encoder/match_finder.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace encoder {

namespace {

// Common prefix of a and b, at most limit bytes. Presumes limit bytes are readable at both.
std::uint32_t common_length(const unsigned char* a, const unsigned char* b, std::uint32_t limit) {
    std::uint32_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (n + 8 <= limit) {
            std::uint64_t x;
            std::uint64_t y;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) return n + static_cast<std::uint32_t>(std::countr_zero(x ^ y)) / 8;
            n += 8;
        }
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

}  // namespace

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

std::uint32_t longest_match(const match_finder& finder, std::uint32_t pos, match_candidates candidates,
                            std::uint32_t best_length, const match_search& search, std::uint32_t& distance) {
    const std::uint32_t limit = std::min(ENCODER_MAX_MATCH, finder.size - pos);
    if (best_length >= limit) return best_length;
    const std::uint32_t nice = std::min(search.nice_length, limit);
    const std::uint32_t oldest = pos > ENCODER_WINDOW_SIZE ? pos - ENCODER_WINDOW_SIZE : 0;
    const unsigned char* here = finder.data + pos;
    if (best_length < ENCODER_MIN_MATCH && candidates.short_candidate > oldest) {
        const std::uint32_t candidate = candidates.short_candidate - 1;
        const std::uint32_t length = common_length(here, finder.data + candidate, limit);
        const std::uint32_t back = pos - candidate;
        if (length > ENCODER_MIN_MATCH || (length == ENCODER_MIN_MATCH && back <= search.short_reach)) {
            best_length = length;
            distance = back - 1;
            if (length >= nice) return best_length;
        }
    }
    if (candidates.chain == 0) return best_length;
    std::uint32_t next = candidates.chain - 1;
    for (std::uint32_t budget = search.max_chain; budget > 0; --budget) {
        const std::uint32_t candidate = next;
        if (candidate < oldest) break;
        const std::uint32_t back_link = finder.previous[candidate % ENCODER_CHAIN_SLOTS];
        if (back_link == 0) budget = 1;  // the chain ends with this candidate
        next = candidate - back_link;
        const unsigned char* there = finder.data + candidate;
        if (there[best_length] != here[best_length] || there[0] != here[0] || there[1] != here[1]) continue;
        const std::uint32_t length = common_length(here, there, limit);
        if (length <= best_length) continue;
        const std::uint32_t back = pos - candidate;
        if (length == ENCODER_MIN_MATCH && back > search.short_reach) continue;
        best_length = length;
        distance = back - 1;
        if (length >= nice) break;
    }
    return best_length;
}

}  // namespace encoder
