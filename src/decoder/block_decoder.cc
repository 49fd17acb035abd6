// Producing a chunk of a file's bytes: literals and matches decoded symbol by symbol into the window, which
// doubles as the chunk's staging area, then copied out once. Block heads are read in code_lengths.cc.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/code_lengths.h"
#include "decoder/codec.h"
#include "decoder/codec_context.h"
#include "decoder/decode_table.h"

namespace decoder {

namespace {

// Symbols 256..509 are matches of symbol - 253 bytes (3..256).
constexpr std::uint32_t FIRST_MATCH_SYMBOL = 256;
constexpr std::uint32_t MATCH_LENGTH_BIAS = 253;

// Copies the current match on from copy_from to window[r...], a byte at a time so that a match may overlap
// the bytes it produces, until the match runs out (copy_remaining then -1) or r reaches want (the rest is
// left for the next call). Returns the new r.
std::uint32_t copy_match(codec_context* ctx, std::uint32_t r, std::uint32_t want) {
    std::uint8_t* window = ctx->window;
    std::uint32_t from = ctx->copy_from;
    while (--ctx->copy_remaining >= 0) {
        window[r++] = window[from];
        from = (from + 1) & CODEC_WINDOW_MASK;
        if (r == want) break;
    }
    ctx->copy_from = from;
    return r;
}

// Class p carries p - 1 extra bits x; the distance is 0 for class 0, else 2^(p-1) + x, and the match
// starts distance + 1 bytes back.
std::uint32_t read_distance(codec_context* ctx, std::uint32_t distance_class) {
    if (distance_class == 0) return 0;
    const int extra_bits = static_cast<int>(distance_class) - 1;
    return (1u << extra_bits) + read_bits(ctx, extra_bits);
}

}  // namespace

int decode_chunk(codec_context* ctx, input_span* input, output_span* output) {
    if (ctx == nullptr || input == nullptr || output == nullptr) return CODEC_ERR_HANDLE;
    ctx->input = input;
    ctx->output = output;
    if (ctx->codec_state == CODEC_FAILED) return ctx->error_code;

    // An output span whose end lies before its next would read as a huge request; refuse it rather than
    // write 8192 bytes the caller never offered.
    const auto next_address = reinterpret_cast<std::uintptr_t>(output->next);
    const auto end_address = reinterpret_cast<std::uintptr_t>(output->end);
    if (end_address < next_address) return CODEC_ERR_HANDLE;
    const auto want =
        static_cast<std::uint32_t>(std::min<std::uintptr_t>(end_address - next_address, CODEC_CHUNK_SIZE));
    if (want == 0) return 0;

    if (ctx->codec_state == CODEC_FRESH) {
        start_bit_reader(ctx);
        ctx->block_remaining = 0;
        ctx->copy_remaining = 0;
        ctx->codec_state = CODEC_RUNNING;
    }

    // r counts the bytes of this call and is the window index of the next one (see the chunk contract).
    std::uint8_t* window = ctx->window;
    std::uint32_t r = copy_match(ctx, 0, want);
    while (r < want) {
        // A header is read only when a block's first symbol is needed, so a chunk that ends with a block's
        // last symbol leaves the next header unread. A block size of 0 wraps and the block never ends.
        if (ctx->block_remaining == 0) read_block_header(ctx);
        --ctx->block_remaining;

        const std::uint32_t symbol = decode_with_table(ctx, ctx->symbol_table.data(), CODEC_SYMBOL_TABLE_BITS,
                                                       ctx->symbol_lengths.data(), CODEC_SYMBOL_COUNT);
        if (symbol < FIRST_MATCH_SYMBOL) {
            window[r++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        ctx->copy_remaining = static_cast<std::int32_t>(symbol - MATCH_LENGTH_BIAS);
        const std::uint32_t distance_class = decode_with_table(
            ctx, ctx->aux_table.data(), CODEC_AUX_TABLE_BITS, ctx->aux_lengths.data(), CODEC_CLASS_COUNT);
        const std::uint32_t distance = read_distance(ctx, distance_class);
        // Before the file's first byte lies the zero-filled part of the window: such a match yields zeros.
        ctx->copy_from = (r - 1 - distance) & CODEC_WINDOW_MASK;
        r = copy_match(ctx, r, want);
    }

    std::memcpy(output->next, window, want);
    output->next += want;
    if (ctx->error_code != 0) {
        ctx->codec_state = CODEC_FAILED;
        return ctx->error_code;
    }
    return 0;
}

}  // namespace decoder
