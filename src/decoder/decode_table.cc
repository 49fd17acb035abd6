// Table construction and the tree walk for long codes. The codes are canonical: shorter codes come first,
// codes of one length follow the symbols' order, the first code is all zero bits. The encoder assigns them
// the same way, so only the lengths travel in the stream.
#include "decoder/decode_table.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <numeric>

#include "decoder/length_masks.h"

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

// Calls fill.template operator()<RUN>() with RUN equal to run when run is a power of two up to 16, else
// with RUN 0, so that a loop over runs of one size has that size as a constant.
template <typename Fill>
void with_constant_run(std::uint32_t run, Fill fill) {
    switch (run) {
        case 1:
            fill.template operator()<1>();
            break;
        case 2:
            fill.template operator()<2>();
            break;
        case 4:
            fill.template operator()<4>();
            break;
        case 8:
            fill.template operator()<8>();
            break;
        case 16:
            fill.template operator()<16>();
            break;
        default:
            fill.template operator()<0>();
    }
}

constexpr int TABLE_EMPTY = 0;  // no nonzero length: nothing built
constexpr int TABLE_BUILT = 1;

// Hangs the code of ch, len bits long with the canonical value k in 16-bit units, from table (table_bits
// wide) through the tree: the roots it passes are given nodes as first needed, numbered on from *avail.
// A complete code never needs more than the alphabet's size less one nodes, so *avail stays below
// CODEC_TREE_NODES.
void hang_long_code(codec_context* ctx, std::uint16_t* table, int table_bits, std::uint32_t k, int len,
                    int ch, std::uint32_t* avail) {
    const int t = table_bits;
    const std::uint32_t mask = 1u << (15 - t);  // the first bit after the table's bits
    std::uint16_t* slot = &table[k >> (MAX_CODE_LENGTH - t)];
    for (int step = 0; step < len - t; ++step) {
        if (*slot == 0) {
            ctx->left_child[*avail] = 0;
            ctx->right_child[*avail] = 0;
            *slot = static_cast<std::uint16_t>((*avail)++);
        }
        slot = (k & mask) ? &ctx->right_child[*slot] : &ctx->left_child[*slot];
        k <<= 1;
    }
    *slot = static_cast<std::uint16_t>(ch);
}

using length_counts = std::array<std::uint32_t, MAX_CODE_LENGTH + 1>;
using code_starts = std::array<std::uint32_t, MAX_CODE_LENGTH + 2>;

// Symbols per length into per_length; false, with CODEC_ERR_TABLE recorded, when a length is above 16,
// which cannot belong to any code this format sends.
bool count_lengths(codec_context* ctx, const std::uint8_t* lengths, int count, length_counts* per_length) {
    *per_length = {};
    bool too_long = false;
    for_each_coded_symbol(lengths, count, [&](int, int len) {
        if (len > MAX_CODE_LENGTH) {
            too_long = true;
        } else {
            ++(*per_length)[len];
        }
    });
    if (too_long) ctx->error_code = CODEC_ERR_TABLE;
    return !too_long;
}

// First code of each length into start, in 16-bit units. The exact total tells a complete code (2^16,
// TABLE_BUILT) from an empty set (0, TABLE_EMPTY) and from anything else (CODEC_ERR_TABLE, recorded),
// over-full sets that are a multiple of 2^16 too large included.
int find_code_starts(codec_context* ctx, const length_counts& per_length, code_starts* start) {
    *start = {};
    for (int len = 1; len <= MAX_CODE_LENGTH; ++len)
        (*start)[len + 1] = (*start)[len] + (per_length[len] << (MAX_CODE_LENGTH - len));
    const std::uint32_t total = (*start)[MAX_CODE_LENGTH + 1];
    if (total == 0) return TABLE_EMPTY;
    if (total != (1u << MAX_CODE_LENGTH)) {
        ctx->error_code = CODEC_ERR_TABLE;
        return CODEC_ERR_TABLE;
    }
    return TABLE_BUILT;
}

// The table build. Returns TABLE_BUILT, TABLE_EMPTY or CODEC_ERR_TABLE.
int build_tables(codec_context* ctx, int count, const std::uint8_t* lengths, int table_bits,
                 std::uint16_t* table) {
    const int t = table_bits;
    length_counts per_length;
    if (!count_lengths(ctx, lengths, count, &per_length)) return CODEC_ERR_TABLE;
    code_starts start;
    const int found = find_code_starts(ctx, per_length, &start);
    if (found != TABLE_BUILT) return found;

    // Entries not covered by short codes become tree roots; 0 marks a root not yet given a node.
    const std::uint32_t table_size = 1u << t;
    const std::uint32_t first_root = start[t + 1] >> (MAX_CODE_LENGTH - t);
    for (std::uint32_t i = first_root; i < table_size; ++i) table[i] = 0;

    // Codes in symbol order: a short one fills its run of entries, a long one grows the tree, which
    // numbers its nodes in that order.
    std::uint32_t avail = static_cast<std::uint32_t>(count);  // nodes are numbered from the alphabet's size
    for_each_coded_symbol(lengths, count, [&](int ch, int len) {
        const std::uint32_t k = start[len];
        start[len] += 1u << (MAX_CODE_LENGTH - len);
        if (len <= t) {
            fill_run(table + (k >> (MAX_CODE_LENGTH - t)), 1u << (t - len), static_cast<std::uint16_t>(ch));
        } else {
            hang_long_code(ctx, table, t, k, len, ch, &avail);
        }
    });
    return TABLE_BUILT;
}

// The symbol tables split (symbol_table_split): the codes no longer than the table is wide fill the first
// entries of fast_symbol_table only, length by length, each length's symbols straight from their set in
// increasing order (the canonical order) and its runs of one size in one loop. Longer codes, rare, take the
// rest of both tables as tree roots and grow the tree in symbol order, as build_tables does. Returns
// TABLE_BUILT, TABLE_EMPTY or CODEC_ERR_TABLE (the tables and trees then untouched).
int build_symbol_tables_from(codec_context* ctx, const length_masks& masks) {
    constexpr int T = CODEC_SYMBOL_TABLE_BITS;
    const std::uint8_t* const lengths = ctx->symbol_lengths.data();
    // The sets count the short codes; only longer ones, rare, need a pass over the lengths.
    length_counts per_length{};
    std::copy(masks.count.begin() + 1, masks.count.end(), per_length.begin() + 1);
    const bool all_short =
        std::accumulate(masks.count.begin() + 1, masks.count.end(), std::uint32_t{0}) == masks.coded;
    if (!all_short && !count_lengths(ctx, lengths, CODEC_SYMBOL_COUNT, &per_length)) return CODEC_ERR_TABLE;
    code_starts start;
    const int found = find_code_starts(ctx, per_length, &start);
    if (found != TABLE_BUILT) return found;
    const std::uint32_t first_root = start[T + 1] >> (MAX_CODE_LENGTH - T);  // entries of the short codes

    std::uint16_t* const table = ctx->symbol_table.data();
    std::uint16_t* const fast = ctx->fast_symbol_table.data();
    ctx->symbol_table_split = 1;
    std::uint32_t at = 0;
    for (int len = 1; len <= T; ++len) {
        const auto fill_length = [&]<std::uint32_t RUN>() {
            const std::uint32_t run = RUN != 0 ? RUN : 1u << (T - len);
            for (int w = 0; w < length_masks::WORDS; ++w) {
                for (std::uint64_t bits = masks.of[len][w]; bits != 0; bits &= bits - 1) {
                    fill_run(fast + at, run, fast_symbol_entry(64 * w + std::countr_zero(bits), len));
                    at += run;
                }
            }
        };
        with_constant_run(1u << (T - len), fill_length);
    }
    if (all_short) return TABLE_BUILT;

    constexpr std::uint32_t table_size = 1u << T;
    for (std::uint32_t i = first_root; i < table_size; ++i) table[i] = 0;
    for (std::uint32_t i = first_root; i < table_size; ++i) fast[i] = FAST_SYMBOL_SLOW;
    std::uint32_t avail = CODEC_SYMBOL_COUNT;
    for_each_coded_symbol(lengths, CODEC_SYMBOL_COUNT, [&](int ch, int len) {
        if (len <= T) return;
        const std::uint32_t k = start[len];
        start[len] += 1u << (MAX_CODE_LENGTH - len);
        hang_long_code(ctx, table, T, k, len, ch, &avail);
    });
    return TABLE_BUILT;
}

}  // namespace

int build_decode_table(codec_context* ctx, int count, const std::uint8_t* lengths, int table_bits,
                       std::uint16_t* table) {
    const int result = build_tables(ctx, count, lengths, table_bits, table);
    return result == CODEC_ERR_TABLE ? result : 0;
}

bool build_symbol_tables(codec_context* ctx) {
    if (!codec_fast_path) {
        // The reference: symbol_table whole, by the general build; no fast path reads the other.
        if (build_tables(ctx, CODEC_SYMBOL_COUNT, ctx->symbol_lengths.data(), CODEC_SYMBOL_TABLE_BITS,
                         ctx->symbol_table.data()) != TABLE_BUILT)
            return false;
        ctx->symbol_table_split = 0;
        return true;
    }
    length_masks masks;
    find_length_masks(ctx->symbol_lengths.data(), &masks);
    return build_symbol_tables_from(ctx, masks) == TABLE_BUILT;
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
