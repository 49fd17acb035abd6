// Test-only builder of whole blocks from a list of literals and matches, and the reference expansion of such
// a list; plus the installer's way of asking for a file's bytes. Streams built here exercise the ordinary
// forms; the edge-case tests write their odd fields by hand with bit_writer.
#pragma once

#include <cstdint>
#include <vector>

#include "bit_writer.h"
#include "decoder/codec.h"

namespace decoder_test {

struct token {
    bool is_match = false;
    std::uint8_t literal = 0;
    unsigned length = 0;  // match: 3..256 bytes
    unsigned back = 0;    // match: starts this many bytes (1..8192) before the next byte
};

token literal(std::uint8_t byte);
token match(unsigned length, unsigned back);

// Code lengths a block should use; an empty list lets put_block choose.
struct block_codes {
    std::vector<std::uint8_t> symbol_lengths;  // 510
    std::vector<std::uint8_t> code_lengths;    // 19
    std::vector<std::uint8_t> class_lengths;   // 14
};

// Writes one block holding tokens; block_size is what the header announces (normally tokens.size()).
// Unless codes says otherwise, symbols, length codes and classes get balanced complete codes, or the
// single-code form when only one is used.
void put_block(bit_writer& w, const std::vector<token>& tokens, std::uint32_t block_size,
               const block_codes& codes = {});
void put_block(bit_writer& w, const std::vector<token>& tokens);

// A block head written field by field. An alphabet's single-code form is a count of zero and the one
// value every entry takes; put_single_symbol_block is a whole head of `size` symbols, each `symbol`.
void put_single_length_code(bit_writer& w, unsigned code);
void put_single_symbol(bit_writer& w, unsigned symbol);
void put_single_class(bit_writer& w, unsigned distance_class = 0);
void put_single_symbol_block(bit_writer& w, std::uint32_t size, unsigned symbol, unsigned distance_class = 0);
// A list of length-code lengths: `count`, then `lengths` in the length form with the two bits of
// `zero_run` after the third; the entries the run covers are not in `lengths`.
void put_length_code_list(bit_writer& w, unsigned count, const std::vector<unsigned>& lengths,
                          unsigned zero_run = 0);

// What the tokens stand for: matches copy byte by byte and read zeros before the first byte.
std::vector<std::uint8_t> expand(const std::vector<token>& tokens);

// Symbol of a match length, and distance class with extra bits of a distance.
unsigned match_symbol(unsigned length);
void distance_fields(unsigned back, unsigned* distance_class, unsigned* extra, int* extra_bits);

struct decoded_file {
    std::vector<std::uint8_t> bytes;
    std::vector<int> results;  // one per call
    std::size_t input_used = 0;
};

// Opens a context and asks for file_size bytes as the installer does (decode_in_chunks), going on past a
// failure so that every call's result is seen.
decoded_file decode_chunk_by_chunk(const std::vector<std::uint8_t>& stream, std::size_t file_size);

}  // namespace decoder_test
