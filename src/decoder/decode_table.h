// Prefix-code decoding tables: building a lookup table (and a tree for the codes longer than the table is
// wide) from a list of code lengths, and decoding one code with it. Reading the lengths from the stream is
// in code_lengths.h.
#pragma once

#include <cstdint>

#include "decoder/bit_reader.h"
#include "decoder/codec_context.h"

namespace decoder {

// Builds table (2^table_bits entries) and the tree nodes from count code lengths (each 0..16).
// Lengths that form no complete prefix code, or a length above 16, store CODEC_ERR_TABLE in error_code and
// return it; a set with no nonzero length returns 0. Both leave table and trees exactly as they were, so
// the tables of an earlier block stay in force. Otherwise the table is rebuilt and 0 is returned.
int build_decode_table(codec_context* ctx, int count, const std::uint8_t* lengths, int table_bits,
                       std::uint16_t* table);

// Entries of fast_symbol_table: the code's length in the low six bits, the kind in the next two, and
// above them the literal's byte or the match's length less 3. FAST_SYMBOL_SLOW marks a code longer than
// the table is wide. Nothing but the length lies in the low six bits, so a count of bits kept modulo 64
// may have a whole entry subtracted from it.
constexpr std::uint16_t FAST_SYMBOL_CODE_LENGTH = 0x3F;
constexpr std::uint16_t FAST_SYMBOL_MATCH = 0x40;
constexpr std::uint16_t FAST_SYMBOL_SLOW = 0x80;
constexpr int FAST_SYMBOL_VALUE_SHIFT = 8;

// Entries of fast_class_table. The class's code and its extra bits, read as one number v of
// FAST_CLASS_BITS bits, give the distance as v plus the entry's offset (the class's base less its code
// shifted above the extra bits, modulo 2^32). The shift that reads v is stored as 63 - bits and applied
// after a shift by one, so that a class of no bits at all (the single-class form of class 0 or 1) needs no
// shift by 64. FAST_CLASS_SLOW marks what the careful path decodes: a code longer than the table is wide,
// or a value outside the alphabet.
constexpr std::uint64_t FAST_CLASS_BITS = 0xFF;
constexpr int FAST_CLASS_SHIFT_AT = 8;
constexpr int FAST_CLASS_OFFSET_AT = 32;
constexpr std::uint64_t FAST_CLASS_SLOW = 1u << 16;

// Builds fast_class_table from aux_table and aux_lengths as they stand (the distance classes' tables).
// classes_built: aux_table was built from these lengths, or filled by the single-code form, by the block
// head just read.
void build_fast_class_table(codec_context* ctx, bool classes_built);

// build_decode_table for the symbol alphabet from symbol_lengths: on the fast path into fast_symbol_table
// and symbol_table split (see symbol_table_split), else into symbol_table whole. True when the tables now
// stand for the lengths (a complete code); false when the set was empty or refused, the tables then left
// as they were.
bool build_symbol_tables(codec_context* ctx);

// The symbol of a fast_symbol_table entry that is not FAST_SYMBOL_SLOW.
inline std::uint32_t fast_entry_symbol(std::uint32_t entry) {
    return (entry >> FAST_SYMBOL_VALUE_SHIFT) + ((entry & FAST_SYMBOL_MATCH) != 0 ? FORMAT_LITERAL_COUNT : 0);
}

// The rare part of decode_with_table, out of line: follows the tree from node with the lookahead bits that
// come after the first table_bits. Returns a symbol below count, or count itself when damaged data leads the
// walk astray (then CODEC_ERR_TABLE is recorded).
std::uint32_t walk_tree(codec_context* ctx, std::uint32_t node, int table_bits, std::uint32_t count);

// Decodes one code and consumes its bits: a code no longer than table_bits is one lookup; a longer one
// continues through the tree, one step per further bit. The whole code is consumed at the end, from the
// symbol's own length. Returns a symbol below count (0 after a damaged walk, consuming nothing).
inline std::uint32_t decode_with_table(codec_context* ctx, const std::uint16_t* table, int table_bits,
                                       const std::uint8_t* lengths, std::uint32_t count) {
    std::uint32_t symbol = table[ctx->lookahead >> (16 - table_bits)];
    if (symbol >= count) {
        symbol = walk_tree(ctx, symbol, table_bits, count);
        if (symbol >= count) return 0;
    }
    skip_bits(ctx, lengths[symbol]);
    return symbol;
}

// decode_with_table for the symbol alphabet, from symbol_table or, for the short codes of a split one, from
// fast_symbol_table: the same symbol either way, and the same bits consumed (the symbol's own length).
inline std::uint32_t decode_symbol(codec_context* ctx) {
    if (ctx->symbol_table_split != 0) {
        const std::uint32_t entry = ctx->fast_symbol_table[ctx->lookahead >> (16 - CODEC_SYMBOL_TABLE_BITS)];
        if ((entry & FAST_SYMBOL_SLOW) == 0) {
            const std::uint32_t symbol = fast_entry_symbol(entry);
            skip_bits(ctx, ctx->symbol_lengths[symbol]);
            return symbol;
        }
    }
    return decode_with_table(ctx, ctx->symbol_table.data(), CODEC_SYMBOL_TABLE_BITS,
                             ctx->symbol_lengths.data(), CODEC_SYMBOL_COUNT);
}

}  // namespace decoder
