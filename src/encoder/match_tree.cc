// Binary-tree insertion and search in one walk: the walk descends from the tree's old root towards the new
// position's place in byte order, and every node it leaves behind is hung below the new root on the side
// where it sorts. Each side remembers how many leading bytes all its remaining nodes share with the new
// position, so a comparison resumes there instead of at the first byte.
#include "encoder/match_tree.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "encoder/match_finder.h"

namespace encoder {

namespace {

constexpr std::int32_t ENCODER_TREE_NONE = -(1 << 30);

}  // namespace

void start_match_tree(match_tree& tree, const unsigned char* data, std::uint32_t size) {
    tree.data = data;
    tree.size = size;
    // Twice as many heads as positions keeps collisions as rare as in the whole table.
    const int bits = std::clamp(static_cast<int>(std::bit_width(size)) + 1, 10, ENCODER_TREE_HASH_BITS);
    tree.hash_shift = 32 - bits;
    std::fill_n(tree.head.begin(), std::size_t{1} << bits, ENCODER_TREE_NONE);
    // children needs no clearing: a slot is read only after its position was entered.
}

int advance_match_tree(match_tree& tree, std::uint32_t pos, std::uint32_t nice_length,
                       std::uint32_t max_depth, tree_match* found) {
    const unsigned char* here = tree.data + pos;
    const std::uint32_t limit = std::min(decoder::FORMAT_MAX_MATCH, tree.size - pos);
    const std::uint32_t nice = std::min(nice_length, limit);
    const std::uint32_t key =
        std::uint32_t{here[0]} | std::uint32_t{here[1]} << 8 | std::uint32_t{here[2]} << 16;
    const std::uint32_t hash = (key * 0x9E3779B1u) >> tree.hash_shift;
    std::int32_t node = tree.head[hash];
    tree.head[hash] = static_cast<std::int32_t>(pos);
    // The oldest position a match may start at: 8192 bytes back.
    const std::int32_t oldest =
        static_cast<std::int32_t>(pos) - static_cast<std::int32_t>(decoder::FORMAT_WINDOW_SIZE);
    std::int32_t* pending_below = &tree.children[pos % ENCODER_TREE_SLOTS][0];
    std::int32_t* pending_above = &tree.children[pos % ENCODER_TREE_SLOTS][1];
    std::uint32_t below_length = 0;  // bytes every node still on the below side shares with here
    std::uint32_t above_length = 0;
    std::uint32_t length = 0;
    std::uint32_t best = decoder::FORMAT_MIN_MATCH - 1;
    int count = 0;
    for (std::uint32_t depth = max_depth;; --depth) {
        if (node < oldest || depth == 0) {
            *pending_below = ENCODER_TREE_NONE;
            *pending_above = ENCODER_TREE_NONE;
            return count;
        }
        const unsigned char* there = tree.data + node;
        auto& node_children = tree.children[static_cast<std::uint32_t>(node) % ENCODER_TREE_SLOTS];
        // length < nice <= limit here, so here[length] and there[length] are readable.
        if (there[length] == here[length]) {
            length = extend_match(here, there, length + 1, limit);
            if (length > best) {
                best = length;
                if (found != nullptr) {
                    found[count++] = {static_cast<std::uint16_t>(length),
                                      static_cast<std::uint16_t>(pos - static_cast<std::uint32_t>(node) - 1)};
                }
            }
            if (length >= nice) {
                // The node's bytes equal ours as far as the search looks: its subtrees become ours.
                *pending_below = node_children[0];
                *pending_above = node_children[1];
                return count;
            }
        }
        if (there[length] < here[length]) {
            *pending_below = node;
            pending_below = &node_children[1];
            node = *pending_below;
            below_length = length;
            length = std::min(length, above_length);
        } else {
            *pending_above = node;
            pending_above = &node_children[0];
            node = *pending_above;
            above_length = length;
            length = std::min(length, below_length);
        }
    }
}

}  // namespace encoder
