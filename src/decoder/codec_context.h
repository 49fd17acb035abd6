// The per-file state of the decoder: bit reader, the current block's code lengths, lookup tables and trees,
// a match still being copied, and the window. Only the layout and its sizes; the operations on it are in
// bit_reader.h, decode_table.h, code_lengths.h and codec.h.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "decoder/codec.h"
#include "decoder/stream_format.h"

namespace decoder {

// Where a context stands between calls.
constexpr std::uint32_t CODEC_FRESH = 0;    // opened; the bit reader starts at the first call
constexpr std::uint32_t CODEC_RUNNING = 1;  // decoding
constexpr std::uint32_t CODEC_FAILED = 9;   // a table check failed; final

// Alphabet sizes (stream_format.h).
constexpr int CODEC_SYMBOL_COUNT = FORMAT_SYMBOL_COUNT;            // literals, then matches
constexpr int CODEC_LENGTH_CODE_COUNT = FORMAT_LENGTH_CODE_COUNT;  // the codes that carry the symbol lengths
constexpr int CODEC_CLASS_COUNT = FORMAT_CLASS_COUNT;              // the distance classes

// Lookup widths: the symbol alphabet is looked up on 12 leading bits, the small alphabets on 8.
constexpr int CODEC_SYMBOL_TABLE_BITS = 12;
constexpr int CODEC_AUX_TABLE_BITS = 8;

// Inner tree nodes that a complete code of CODEC_SYMBOL_COUNT symbols can need, numbered from its size:
// node numbers and symbols together stay below this.
constexpr int CODEC_TREE_NODES = 2 * CODEC_SYMBOL_COUNT - 1;

// The history window; a chunk is one window's worth of output.
static_assert(CODEC_CHUNK_SIZE == FORMAT_WINDOW_SIZE);
constexpr std::uint32_t CODEC_WINDOW_MASK = FORMAT_WINDOW_SIZE - 1;

// One allocation (codec_open), zero-filled up to CODEC_ZEROED_BYTES; the window is a second one.
struct codec_context {
    input_span* input;  // the caller's compressed bytes, set anew at every call
    std::uint32_t codec_state;
    std::int32_t error_code;  // 0, or CODEC_ERR_TABLE once a table check has failed

    // Bit reader: lookahead holds the next 16 stream bits, bit 15 first; the low spare_bits bits of
    // spare_byte (the last byte fetched) follow them.
    std::uint16_t lookahead;
    std::uint32_t spare_byte;
    std::int32_t spare_bits;

    std::uint32_t block_remaining;  // symbols left in the current block; 0: a block header comes next
    std::uint8_t* window;           // CODEC_CHUNK_SIZE bytes: history and staging area of the chunk
    std::uint32_t window_zeroed;    // the window has been zero-filled (it is, before its first use)
    // The file's own buffer when the caller asks for consecutive chunks of it (codec_attach_file): chunks
    // are then decoded in place and the history read from the file itself. file_next is where the next
    // chunk must start for that; null when no file is attached.
    std::uint8_t* file_begin;
    std::uint8_t* file_end;
    std::uint8_t* file_next;

    std::array<std::uint8_t, CODEC_SYMBOL_COUNT> symbol_lengths;
    // The length codes' lengths, then the distance classes' (entries 14..18 then play no part).
    std::array<std::uint8_t, CODEC_LENGTH_CODE_COUNT> aux_lengths;
    // Tree nodes for codes longer than a table is wide, shared by all tables: [node] gives the branch
    // for a 0 bit (left) or a 1 bit (right); a value below the alphabet's size is a symbol. Zero-filled:
    // damaged data may name a node no table built.
    std::array<std::uint16_t, CODEC_TREE_NODES> left_child;
    std::array<std::uint16_t, CODEC_TREE_NODES> right_child;
    std::array<std::uint16_t, 1 << CODEC_AUX_TABLE_BITS> aux_table;  // whichever small alphabet came last

    std::int32_t copy_remaining;  // bytes of the current match still to copy; -1 or 0 when none
    std::uint32_t copy_from;      // window index of the next byte the match copies

    // What the tables below stand for; codec_open's zero fill makes each the fresh state. Four words
    // rather than one state: folded into fewer, the inlined wide paths were given other registers and
    // decoded 2 to 4% slower.
    // Whether the bulk path's tables (block_decoder.cc), derived from the ones above by a whole block head
    // (code_lengths.cc), stand for the current block.
    std::uint32_t fast_tables_ready;
    std::uint32_t fast_symbols_built;  // fast_symbol_table stands for symbol_lengths (the tail path's)
    // symbol_table has been written: until then it counts as all zeros, which it is made to be when a
    // block head leaves it unbuilt (code_lengths.cc).
    std::uint32_t symbol_table_set;
    // symbol_table holds only the roots of the long codes' trees; the entries of the shorter codes are
    // those of fast_symbol_table (decode_symbol reads them there). Built so on the fast path, which then
    // writes one table of short codes instead of two.
    std::uint32_t symbol_table_split;

    // Not zero-filled: each table below is written whole before it is first read.
    std::array<std::uint16_t, 1 << CODEC_SYMBOL_TABLE_BITS> symbol_table;
    // By the leading CODEC_SYMBOL_TABLE_BITS bits: a literal or a match length with the code's length.
    std::array<std::uint16_t, 1 << CODEC_SYMBOL_TABLE_BITS> fast_symbol_table;
    // By the leading CODEC_AUX_TABLE_BITS bits: how to turn a distance class's code and extra bits into
    // the distance.
    std::array<std::uint64_t, 1 << CODEC_AUX_TABLE_BITS> fast_class_table;
};

// The part of codec_context that codec_open zero-fills: everything before the large tables.
constexpr std::size_t CODEC_ZEROED_BYTES = offsetof(codec_context, symbol_table);

// Whether decode_chunk may take its fast path (block_decoder.cc). Always on in use; tests turn it off,
// between files, to hold the fast path to the careful one, which stays the reference: its symbol table is
// then built whole by the general table build.
extern bool codec_fast_path;

// calloc gives a valid, all-zero context only for a trivial type.
static_assert(std::is_trivial_v<codec_context>);

}  // namespace decoder
