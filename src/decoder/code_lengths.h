// The head of a block: its size and the code lengths of its three alphabets, read from the stream and turned
// into tables. Symbol decoding and the window are in block_decoder.cc.
#pragma once

#include "decoder/codec_context.h"

namespace decoder {

// zero_run_index for an alphabet without the zero run: an index that is never reached.
constexpr int CODEC_NO_ZERO_RUN = -1;

// Reads the code lengths of a small alphabet (count 19 or 14) into aux_lengths in the length form, with a
// 2-bit zero run after entry zero_run_index - 1, and rebuilds aux_table; or, for a length count of 0, the one
// code of the single-code form. A length count above count records CODEC_ERR_TABLE; its lengths are read but
// only the first count are kept, and the tables stay as they were. True when aux_table now stands for the
// lengths read (built from them, or the single-code form).
bool read_aux_lengths(codec_context* ctx, int count, int count_width, int zero_run_index);

// Reads the symbol alphabet's lengths (coded with the length codes of aux_table) into symbol_lengths and
// rebuilds symbol_table; or, for a count of 0, the one symbol of the single-symbol form. Lengths that would
// pass entry 510 are not stored and record CODEC_ERR_TABLE; the tables then stay as they were.
void read_symbol_lengths(codec_context* ctx);

// Reads a whole block header: size into block_remaining, the length codes, the symbol lengths and the
// distance classes.
void read_block_header(codec_context* ctx);

}  // namespace decoder
