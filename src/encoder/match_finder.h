// Hash chains over the 8192-byte window: where earlier copies of the next bytes start, and the longest of
// them within a search budget. The chains link positions by their next four bytes, so a search spends its
// budget on candidates that can give four bytes or more; three-byte matches come from a second table that
// keeps only the newest position of each three-byte hash, since an older one would lie too far back to
// pay. Nothing here decides between literals and matches; that is parser.cc.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "encoder/format.h"

namespace encoder {

constexpr int ENCODER_HASH_BITS = 15;
constexpr int ENCODER_SHORT_HASH_BITS = 12;
// Twice the window, so that no chain link a search can still follow is overwritten by a newer position.
constexpr std::uint32_t ENCODER_CHAIN_SLOTS = 2 * decoder::FORMAT_WINDOW_SIZE;

struct match_finder {
    const unsigned char* data;
    std::uint32_t size;
    // A small input uses only the front of each table, so that clearing it costs little next to the search:
    // hashes are taken to 32 - shift bits.
    int hash_shift;
    int short_hash_shift;
    // Positions are kept plus one, so that 0 stands for none.
    std::array<std::uint32_t, 1u << ENCODER_HASH_BITS> head;
    std::array<std::uint32_t, 1u << ENCODER_SHORT_HASH_BITS> short_head;
    // The chain links, as the distance back to the previous position of the chain; 0 ends the chain, as
    // does any link reaching past the window. Sixteen bits keep the array within the first-level cache,
    // and the walk along a chain is bound by the latency of these loads.
    std::array<std::uint16_t, ENCODER_CHAIN_SLOTS> previous;
};

// What a search at one position starts from, each plus one and 0 for none: the chain of earlier positions
// with the same four-byte hash, and the newest earlier position with the same three-byte hash.
struct match_candidates {
    std::uint32_t chain;
    std::uint32_t short_candidate;
};

void start_match_finder(match_finder& finder, const unsigned char* data, std::uint32_t size);

// Enters position pos and returns where a search there starts. Presumes pos + 3 <= size and that positions
// are entered in rising order. The last position of the input has no fourth byte; a zero stands in for it,
// which at worst puts it on a chain whose candidates the search then rejects.
inline match_candidates insert_position(match_finder& finder, std::uint32_t pos) {
    const unsigned char* p = finder.data + pos;
    std::uint32_t key;
    if (pos + 4 <= finder.size) {
        std::memcpy(&key, p, 4);
    } else {
        key = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    }
    const std::uint32_t hash = (key * 0x9E3779B1u) >> finder.hash_shift;
    const std::uint32_t short_hash = ((key << 8) * 0x9E3779B1u) >> finder.short_hash_shift;
    const match_candidates found{finder.head[hash], finder.short_head[short_hash]};
    const std::uint32_t back = pos + 1 - found.chain;
    finder.previous[pos % ENCODER_CHAIN_SLOTS] =
        found.chain != 0 && back <= decoder::FORMAT_WINDOW_SIZE ? static_cast<std::uint16_t>(back) : 0;
    finder.head[hash] = pos + 1;
    finder.short_head[short_hash] = pos + 1;
    return found;
}

// Extends a common prefix of a and b, known to be n bytes long, to at most limit bytes. Presumes limit
// bytes are readable at both.
inline std::uint32_t extend_match(const unsigned char* a, const unsigned char* b, std::uint32_t n,
                                  std::uint32_t limit) {
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

// Common prefix of a and b, at most limit bytes. Presumes limit bytes are readable at both.
inline std::uint32_t common_length(const unsigned char* a, const unsigned char* b, std::uint32_t limit) {
    return extend_match(a, b, 0, limit);
}

struct match_search {
    std::uint32_t max_chain;    // candidates examined at most
    std::uint32_t nice_length;  // stop at a match this long
    std::uint32_t short_reach;  // 3-byte matches reaching farther back than this are passed over
};

// Without prices to go by, a 3-byte match reaching back this far or more costs at least as much as its
// three literals in practice.
constexpr std::uint32_t ENCODER_FAR_SHORT_MATCH = 1024;

// Looks for a match longer than best_length within the window, among the candidates insert_position
// returned for pos. Returns the longest length found, or best_length if none beats it, and sets distance
// (bytes back minus one) when it finds one. Candidates come newest first, so among equal lengths the
// nearest wins, which keeps distance classes small. A candidate is first tested at the byte that would
// make it longer than the best so far; most fail there without a full comparison.
inline std::uint32_t longest_match(const match_finder& finder, std::uint32_t pos, match_candidates candidates,
                                   std::uint32_t best_length, const match_search& search,
                                   std::uint32_t& distance) {
    const std::uint32_t limit = std::min(decoder::FORMAT_MAX_MATCH, finder.size - pos);
    if (best_length >= limit) return best_length;
    const std::uint32_t nice = std::min(search.nice_length, limit);
    const std::uint32_t oldest = pos > decoder::FORMAT_WINDOW_SIZE ? pos - decoder::FORMAT_WINDOW_SIZE : 0;
    const unsigned char* here = finder.data + pos;
    if (best_length < decoder::FORMAT_MIN_MATCH && candidates.short_candidate > oldest) {
        const std::uint32_t candidate = candidates.short_candidate - 1;
        const std::uint32_t length = common_length(here, finder.data + candidate, limit);
        const std::uint32_t back = pos - candidate;
        if (length > decoder::FORMAT_MIN_MATCH ||
            (length == decoder::FORMAT_MIN_MATCH && back <= search.short_reach)) {
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
        if (length == decoder::FORMAT_MIN_MATCH && back > search.short_reach) continue;
        best_length = length;
        distance = back - 1;
        if (length >= nice) break;
    }
    return best_length;
}

}  // namespace encoder
