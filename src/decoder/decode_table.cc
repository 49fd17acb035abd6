// Table construction and the tree walk for long codes. The codes are canonical: shorter codes come first,
// codes of one length follow the symbols' order, the first code is all zero bits. The encoder assigns them
// the same way, so only the lengths travel in the stream.
#include "decoder/decode_table.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace decoder {

namespace {

constexpr int MAX_CODE_LENGTH = FORMAT_MAX_CODE_LENGTH;

// Stores `run` copies of `value` from `entry` on: a run of one code's entries, a power of two. From eight
// entries on, sixteen bytes at a time.
[[gnu::always_inline]] inline void fill_run(std::uint16_t* entry, std::uint32_t run, std::uint16_t value) {
    if (run < 4) {
        for (std::uint32_t i = 0; i < run; ++i) entry[i] = value;
        return;
    }
    const std::uint64_t four = value * 0x0001000100010001ull;
    if (run == 4) {
        std::memcpy(entry, &four, sizeof four);
        return;
    }
    const std::uint64_t eight[2] = {four, four};
    for (std::uint32_t i = 0; i < run; i += 8) std::memcpy(entry + i, eight, sizeof eight);
}

// Calls visit(ch, length) for every symbol below count with a nonzero length, in increasing order. Most
// lengths are zero in a typical block, so eight at a time are passed over while they are.
template <typename Visit>
void for_each_coded_symbol(const std::uint8_t* lengths, int count, Visit visit) {
    int ch = 0;
    for (; ch + 8 <= count; ch += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, lengths + ch, sizeof eight);
        if (eight == 0) continue;
        for (int k = ch; k < ch + 8; ++k) {
            if (lengths[k] != 0) visit(k, lengths[k]);
        }
    }
    for (; ch < count; ++ch) {
        if (lengths[ch] != 0) visit(ch, lengths[ch]);
    }
}

// What the bulk path's table holds for symbol ch of the symbol alphabet with a code of len bits.
std::uint16_t fast_symbol_entry(int ch, int len) {
    const auto code_length = static_cast<std::uint16_t>(len);
    constexpr int literals = static_cast<int>(FORMAT_LITERAL_COUNT);
    if (ch < literals) return static_cast<std::uint16_t>(ch << FAST_SYMBOL_VALUE_SHIFT | code_length);
    return static_cast<std::uint16_t>((ch - literals) << FAST_SYMBOL_VALUE_SHIFT | FAST_SYMBOL_MATCH |
                                      code_length);
}

constexpr int TABLE_EMPTY = 0;  // no nonzero length: nothing built
constexpr int TABLE_BUILT = 1;

// The table build; with fast (symbol alphabet only) that table is filled for the same codes. Returns
// TABLE_BUILT, TABLE_EMPTY or CODEC_ERR_TABLE.
int build_tables(codec_context* ctx, int count, const std::uint8_t* lengths, int table_bits,
                 std::uint16_t* table, std::uint16_t* fast) {
    const int t = table_bits;

    // Symbols per length; a length above 16 cannot belong to any code this format sends.
    std::array<std::uint32_t, MAX_CODE_LENGTH + 1> per_length{};
    bool too_long = false;
    for_each_coded_symbol(lengths, count, [&](int, int len) {
        if (len > MAX_CODE_LENGTH) {
            too_long = true;
        } else {
            ++per_length[len];
        }
    });
    if (too_long) {
        ctx->error_code = CODEC_ERR_TABLE;
        return CODEC_ERR_TABLE;
    }

    // First code of each length, in 16-bit units. The exact total tells a complete code (2^16) from an
    // empty set (0) and from anything else, over-full sets that are a multiple of 2^16 too large included.
    std::array<std::uint32_t, MAX_CODE_LENGTH + 2> start{};
    for (int len = 1; len <= MAX_CODE_LENGTH; ++len) {
        start[len + 1] = start[len] + (per_length[len] << (MAX_CODE_LENGTH - len));
    }
    const std::uint32_t total = start[MAX_CODE_LENGTH + 1];
    if (total == 0) return TABLE_EMPTY;
    if (total != (1u << MAX_CODE_LENGTH)) {
        ctx->error_code = CODEC_ERR_TABLE;
        return CODEC_ERR_TABLE;
    }

    // Short codes: starts become table indices and weights count table entries. Long codes keep 16-bit
    // units, their weight being their span in those units.
    std::array<std::uint32_t, MAX_CODE_LENGTH + 1> weight{};
    for (int len = 1; len <= t; ++len) {
        start[len] >>= MAX_CODE_LENGTH - t;
        weight[len] = 1u << (t - len);
    }
    for (int len = t + 1; len <= MAX_CODE_LENGTH; ++len) weight[len] = 1u << (MAX_CODE_LENGTH - len);

    // Entries not covered by short codes become tree roots; 0 marks a root not yet given a node.
    const std::uint32_t table_size = 1u << t;
    const std::uint32_t first_root = start[t + 1] >> (MAX_CODE_LENGTH - t);
    for (std::uint32_t i = first_root; i < table_size; ++i) table[i] = 0;
    if (fast != nullptr) {
        for (std::uint32_t i = first_root; i < table_size; ++i) fast[i] = FAST_SYMBOL_SLOW;
    }

    // Codes no longer than the table is wide are gathered by length, symbols in increasing order, so
    // that each length's codes fill their runs of one size in one loop, in canonical order. Longer codes
    // grow the tree as they come, in symbol order, which numbers its nodes.
    std::array<std::uint16_t, CODEC_SYMBOL_COUNT> by_length;
    std::array<std::uint32_t, MAX_CODE_LENGTH + 2> group{};
    for (int len = 1; len <= t; ++len) group[len + 1] = group[len] + per_length[len];
    std::uint32_t avail = static_cast<std::uint32_t>(count);  // nodes are numbered from the alphabet's size
    const std::uint32_t mask = 1u << (15 - t);                // the first bit after the table's bits
    for_each_coded_symbol(lengths, count, [&](int ch, int len) {
        if (len <= t) {
            by_length[group[len]++] = static_cast<std::uint16_t>(ch);
            return;
        }
        // A complete code never needs more than count - 1 nodes, so avail stays below CODEC_TREE_NODES.
        std::uint32_t k = start[len];
        start[len] += weight[len];
        std::uint16_t* slot = &table[k >> (MAX_CODE_LENGTH - t)];
        for (int step = 0; step < len - t; ++step) {
            if (*slot == 0) {
                ctx->left_child[avail] = 0;
                ctx->right_child[avail] = 0;
                *slot = static_cast<std::uint16_t>(avail++);
            }
            slot = (k & mask) ? &ctx->right_child[*slot] : &ctx->left_child[*slot];
            k <<= 1;
        }
        *slot = static_cast<std::uint16_t>(ch);
    });

    std::uint32_t first = 0;  // where this length's symbols begin in by_length
    for (int len = 1; len <= t; ++len) {
        const std::uint32_t last = group[len];
        // One loop per run size, so that the size is a constant in each.
        const auto fill_length = [&]<std::uint32_t RUN>() {
            const std::uint32_t run = RUN != 0 ? RUN : weight[len];
            for (std::uint32_t i = first, at = start[len]; i < last; ++i, at += run) {
                fill_run(table + at, run, by_length[i]);
                if (fast != nullptr) fill_run(fast + at, run, fast_symbol_entry(by_length[i], len));
            }
        };
        switch (weight[len]) {
            case 1:
                fill_length.template operator()<1>();
                break;
            case 2:
                fill_length.template operator()<2>();
                break;
            case 4:
                fill_length.template operator()<4>();
                break;
            case 8:
                fill_length.template operator()<8>();
                break;
            case 16:
                fill_length.template operator()<16>();
                break;
            default:
                fill_length.template operator()<0>();
        }
        first = last;
    }
    return TABLE_BUILT;
}

}  // namespace

int build_decode_table(codec_context* ctx, int count, const std::uint8_t* lengths, int table_bits,
                       std::uint16_t* table) {
    const int result = build_tables(ctx, count, lengths, table_bits, table, nullptr);
    return result == CODEC_ERR_TABLE ? result : 0;
}

bool build_symbol_tables(codec_context* ctx) {
    return build_tables(ctx, CODEC_SYMBOL_COUNT, ctx->symbol_lengths.data(), CODEC_SYMBOL_TABLE_BITS,
                        ctx->symbol_table.data(), ctx->fast_symbol_table.data()) == TABLE_BUILT;
}

// Derived from aux_table and aux_lengths as they stand after a block head, so that it decodes exactly what
// decode_with_table would, whatever state a refused table left them in. A class whose code is no wider
// than the table fills its entries with one value; when the lengths built aux_table (a complete code, or
// the single-code form), those entries are the code's aligned run of 2^(8 - length), which are then filled
// at once, else one at a time.
void build_fast_class_table(codec_context* ctx, bool classes_built) {
    constexpr std::uint32_t size = 1u << CODEC_AUX_TABLE_BITS;
    for (std::uint32_t i = 0; i < size;) {
        const std::uint32_t distance_class = ctx->aux_table[i];
        if (distance_class >= CODEC_CLASS_COUNT || ctx->aux_lengths[distance_class] > CODEC_AUX_TABLE_BITS) {
            ctx->fast_class_table[i++] = FAST_CLASS_SLOW;
            continue;
        }
        const std::uint32_t code_length = ctx->aux_lengths[distance_class];
        const std::uint32_t extra_bits = distance_class == 0 ? 0 : distance_class - 1;
        const std::uint32_t base = distance_class == 0 ? 0 : 1u << extra_bits;
        const std::uint32_t code = i >> (CODEC_AUX_TABLE_BITS - code_length);
        const std::uint32_t bits = code_length + extra_bits;
        const std::uint64_t entry = bits | static_cast<std::uint64_t>(63 - bits) << FAST_CLASS_SHIFT_AT |
                                    static_cast<std::uint64_t>(base - (code << extra_bits))
                                        << FAST_CLASS_OFFSET_AT;
        const std::uint32_t run = classes_built ? 1u << (CODEC_AUX_TABLE_BITS - code_length) : 1;
        std::fill_n(ctx->fast_class_table.data() + i, run, entry);
        i += run;
    }
}

std::uint32_t walk_tree(codec_context* ctx, std::uint32_t node, int table_bits, std::uint32_t count) {
    // In sound data a walk takes at most 16 - table_bits steps, all within the lookahead. Damaged data can
    // name a node through a single-code value at or above the alphabet's size, and the trees of earlier
    // tables share the child arrays, so a walk may outrun the lookahead (its further bits read as 0) or go
    // round in a cycle: more steps than there are nodes ends it.
    std::uint32_t bit = 1u << (15 - table_bits);
    for (int steps = 0; node >= count; ++steps) {
        if (steps >= CODEC_TREE_NODES || node >= static_cast<std::uint32_t>(CODEC_TREE_NODES)) {
            ctx->error_code = CODEC_ERR_TABLE;
            return count;
        }
        node = (ctx->lookahead & bit) ? ctx->right_child[node] : ctx->left_child[node];
        bit >>= 1;
    }
    return node;
}

}  // namespace decoder
