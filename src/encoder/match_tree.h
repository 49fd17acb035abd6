// Binary trees of earlier positions over the 8192-byte window, for the near-optimal parse: entering a
// position also yields every useful match there, the nearest copy of each length that the longest so far
// does not already cover. One tree per three-byte hash, ordered by the bytes that follow each position, so
// a search goes straight to the positions sharing the longest prefix. Nothing here prices or chooses
// matches; that is optimal_parser.cc.
#pragma once

#include <array>
#include <cstdint>

#include "encoder/format.h"

namespace encoder {

constexpr int ENCODER_TREE_HASH_BITS = 16;
// Twice the window, so that no node a search can still reach shares its slot with a newer position.
constexpr std::uint32_t ENCODER_TREE_SLOTS = 2 * decoder::FORMAT_WINDOW_SIZE;

struct match_tree {
    const unsigned char* data;
    std::uint32_t size;
    // A small input uses only the front of head, so that clearing it costs little next to the search:
    // hashes are taken to 32 - hash_shift bits.
    int hash_shift;
    // Newest position per hash; positions far enough below any window stand for none.
    std::array<std::int32_t, 1u << ENCODER_TREE_HASH_BITS> head;
    // Per slot: the subtree of positions whose bytes sort below the slot's position, then above it.
    std::array<std::array<std::int32_t, 2>, ENCODER_TREE_SLOTS> children;
};

// One match found at a position: length 3..256, distance as in the stream (bytes back minus one).
struct tree_match {
    std::uint16_t length;
    std::uint16_t distance;
};

// The most matches one position can yield: one per length.
constexpr int ENCODER_MAX_MATCHES_PER_POSITION = decoder::FORMAT_MAX_MATCH - decoder::FORMAT_MIN_MATCH + 1;

void start_match_tree(match_tree& tree, const unsigned char* data, std::uint32_t size);

// Enters position pos into its tree, re-rooting the tree there, and when found is not null writes the
// matches at pos into it by rising length, returning their count. The walk visits at most max_depth
// earlier positions and stops at a match of nice_length bytes. Presumes positions are entered in rising
// order, each once, and pos + 3 <= size; found must have room for ENCODER_MAX_MATCHES_PER_POSITION.
int advance_match_tree(match_tree& tree, std::uint32_t pos, std::uint32_t nice_length,
                       std::uint32_t max_depth, tree_match* found);

}  // namespace encoder
