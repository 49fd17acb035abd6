// Hash chains over the 8192-byte window: where earlier copies of the next three bytes start, and the
// longest of them within a search budget. Nothing here decides between literals and matches; that is
// parser.cc.
#pragma once

#include <array>
#include <cstdint>

#include "encoder/format.h"

namespace encoder {

constexpr int ENCODER_HASH_BITS = 15;
// Twice the window, so that no chain link a search can still follow is overwritten by a newer position.
constexpr std::uint32_t ENCODER_CHAIN_SLOTS = 2 * ENCODER_WINDOW_SIZE;

struct match_finder {
    const unsigned char* data;
    std::uint32_t size;
    // Positions are kept plus one, so that 0 ends a chain.
    std::array<std::uint32_t, 1u << ENCODER_HASH_BITS> head;
    std::array<std::uint32_t, ENCODER_CHAIN_SLOTS> previous;
};

void start_match_finder(match_finder& finder, const unsigned char* data, std::uint32_t size);

// Enters position pos and returns the chain of earlier positions with the same hash (plus one, 0 for none).
// Presumes pos + 3 <= size and that positions are entered in rising order.
inline std::uint32_t insert_position(match_finder& finder, std::uint32_t pos) {
    const unsigned char* p = finder.data + pos;
    const std::uint32_t key = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    const std::uint32_t hash = (key * 0x9E3779B1u) >> (32 - ENCODER_HASH_BITS);
    const std::uint32_t chain = finder.head[hash];
    finder.previous[pos % ENCODER_CHAIN_SLOTS] = chain;
    finder.head[hash] = pos + 1;
    return chain;
}

struct match_search {
    std::uint32_t max_chain;    // candidates examined at most
    std::uint32_t nice_length;  // stop at a match this long
};

// Follows `chain` (as returned by insert_position for pos) for a match longer than best_length within the
// window. Returns the longest length found, or best_length if none beats it, and sets distance (bytes
// back minus one) when it finds one. Length-3 matches too far back to pay are passed over.
std::uint32_t longest_match(const match_finder& finder, std::uint32_t pos, std::uint32_t chain,
                            std::uint32_t best_length, const match_search& search, std::uint32_t& distance);

}  // namespace encoder
