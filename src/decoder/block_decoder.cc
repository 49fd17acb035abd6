// Producing a chunk of a file's bytes: literals and matches decoded symbol by symbol, either in place in the
// file's own buffer (codec_attach_file) or into the window, which then doubles as the chunk's staging area
// and is copied out once. Block heads are read in code_lengths.cc.
//
// Where the bytes are: the chunk being made starts at `out`, and a match reads window index `from` at
// out + from when from lies before r (this call's bytes), else at prev + from (the previous chunk's). In
// the window both are the window itself; in place, prev is the previous chunk in the file, or a zero page
// before the file's first byte, which keeps the window's meaning of every index.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "decoder/bit_reader.h"
#include "decoder/code_lengths.h"
#include "decoder/codec.h"
#include "decoder/codec_context.h"
#include "decoder/decode_table.h"
#include "decoder/stream_format.h"
#include "decoder/wide_reader.h"

namespace decoder {

bool codec_fast_path = true;

namespace {

// Symbols 256..509 are matches of symbol - 253 bytes (3..256).
constexpr std::uint32_t FIRST_MATCH_SYMBOL = FORMAT_LITERAL_COUNT;
constexpr std::uint32_t MATCH_LENGTH_BIAS = FORMAT_MATCH_LENGTH_BIAS;

// The bytes before a file's first one: a match that reaches them yields zeros.
constexpr std::uint8_t ZERO_PAGE[CODEC_CHUNK_SIZE] = {};

// The chunk's bytes and the previous chunk's, as the banner describes them.
struct chunk_bytes {
    std::uint8_t* out;
    const std::uint8_t* prev;
    // Index `from` seen while the chunk's next byte is r.
    const std::uint8_t* at(std::uint32_t from, std::uint32_t r) const {
        return (from < r ? out : prev) + from;
    }
};

// Copies the current match on from copy_from to out[r...], a byte at a time so that a match may overlap
// the bytes it produces, until the match runs out (copy_remaining then -1) or r reaches want (the rest is
// left for the next call). Returns the new r.
std::uint32_t copy_match(codec_context* ctx, chunk_bytes chunk, std::uint32_t r, std::uint32_t want) {
    std::uint32_t from = ctx->copy_from;
    while (--ctx->copy_remaining >= 0) {
        chunk.out[r] = *chunk.at(from, r);
        ++r;
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

// Both wide paths refill only while this many input bytes remain, so that every refill loads real bytes and
// the stream never runs into the zero bits past its end (those are the careful path's).
constexpr std::ptrdiff_t FAST_INPUT_BYTES = 8;

// Copies a match of `length` bytes from window index `from` to index r; r + length stays within the
// window. Bytes beyond r + length are never touched: they still hold history that later matches reach.
// When the source neither wraps nor lies within eight bytes behind, whole words are copied, the last
// one overlapping its predecessor where that rereads no byte this copy has changed; a distance
// of one byte repeats the byte before; anything else goes a byte at a time.
void copy_whole_match(chunk_bytes chunk, std::uint32_t from, std::uint32_t r, std::uint32_t length,
                      std::uint32_t distance) {
    std::uint8_t* to = chunk.out + r;
    const std::uint8_t* source = chunk.at(from, r);
    if (distance + 1 >= 8 && from + length <= CODEC_CHUNK_SIZE) {
        if (length >= 8) {
            std::uint32_t i = 0;
            for (; i + 8 <= length; i += 8) std::memcpy(to + i, source + i, 8);
            if (from < r || from >= r + length) {
                if (i < length) std::memcpy(to + length - 8, source + length - 8, 8);
            } else {
                // The source lies just ahead, in history this copy is overwriting: strictly forwards.
                for (; i < length; ++i) to[i] = source[i];
            }
        } else if (length >= 4) {
            std::uint32_t head;
            std::uint32_t tail;
            std::memcpy(&head, source, 4);
            std::memcpy(&tail, source + length - 4, 4);
            std::memcpy(to, &head, 4);
            std::memcpy(to + length - 4, &tail, 4);
        } else {
            for (std::uint32_t i = 0; i < length; ++i) to[i] = source[i];
        }
        return;
    }
    if (distance == 0) {
        std::memset(to, *source, length);
        return;
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        to[i] = *chunk.at(from, r + i);
        from = (from + 1) & CODEC_WINDOW_MASK;
    }
}

// The bulk path, for the body of a chunk: one lookup per literal or match length (fast_symbol_table), one
// for a distance class with its extra bits (fast_class_table), and matches copied a word at a time.
// Runs only on the block's own tables (fast_tables_ready), and while, checked before each cycle (three
// literals, or up to two and a match):
//   - at least FAST_INPUT_BYTES input bytes remain for the cycle's closing refill;
//   - at least three symbols of the block remain, so that no symbol checks the block's end;
//   - the cycle starts BULK_CYCLE_LITERALS bytes or more before out_limit (want - IN_PLACE_SLACK in place,
//     else want but at most the window less BULK_SLACK), and a match fits before out_limit: then no
//     match is cut, and the words a match writes past its end stay inside the window, or inside the
//     chunk in place (checked per match only in the last stretch, where a longest match might not fit);
//   - in the file's first chunk in place, a match's source lies within the file;
//   - each code is found in one lookup (no longer than the tables are wide, no damaged value).
// A refill leaves at least 56 bits: two literals of at most 12 bits and a match of at most 32 (12 bits of
// symbol, 8 of class, 12 extra) use no more. It stops before the symbol it cannot take, having consumed
// none of it, and hands the reader back as decoding one byte at a time would have left it.
constexpr std::uint32_t BULK_CYCLE_LITERALS = 3;
constexpr std::uint32_t BULK_SLACK = 16;

std::uint64_t load_word(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

void store_word(std::uint8_t* p, std::uint64_t word) {
    std::memcpy(p, &word, sizeof word);
}

// Copies a whole match of `length` bytes from distance + 1 bytes back to window index r, given BULK_SLACK
// bytes of window after r + length. Words may run past the match's end (the first two always go); the
// bytes there are history that later matches reach, so they are saved first and put back. Word steps need
// the source at least a word behind the destination, or, in the previous chunk's history, at least a word
// ahead of it (forward steps then read only bytes not yet overwritten), and the source's words inside the
// window; a distance of one byte repeats the byte before; anything else goes a byte at a time.
void copy_bulk_match(std::uint8_t* window, std::uint32_t r, std::uint32_t length, std::uint32_t distance) {
    std::uint8_t* to = window + r;
    std::uint8_t after[BULK_SLACK];
    std::memcpy(after, to + length, sizeof after);
    std::uint32_t from = (r - 1 - distance) & CODEC_WINDOW_MASK;
    constexpr std::uint32_t WORD = 8;
    if (distance - (WORD - 1) <= CODEC_WINDOW_MASK - (2 * WORD - 1) &&
        from + length + BULK_SLACK <= CODEC_CHUNK_SIZE) {
        const std::uint8_t* source = window + from;
        store_word(to, load_word(source));
        store_word(to + WORD, load_word(source + WORD));
        for (std::uint32_t i = 2 * WORD; i < length; i += WORD) store_word(to + i, load_word(source + i));
    } else if (distance == 0) {
        const std::uint64_t repeated = window[from] * 0x0101010101010101ull;
        store_word(to, repeated);
        store_word(to + WORD, repeated);
        for (std::uint32_t i = 2 * WORD; i < length; i += WORD) store_word(to + i, repeated);
    } else {
        for (std::uint32_t i = 0; i < length; ++i) {
            to[i] = window[from];
            from = (from + 1) & CODEC_WINDOW_MASK;
        }
    }
    std::memcpy(to + length, after, sizeof after);
}

// copy_bulk_match for a file decoded in place, where the source is simply distance + 1 bytes back and the
// bytes after the match are not yet given to anyone: nothing wraps, and nothing is saved. A source at
// least a word back is copied a word at a time, the first IN_PLACE_SLACK bytes unconditionally, so that
// the common short match takes no loop branch (one path for every such distance: a branch between wider
// and narrower steps costs more than the wider steps save).
constexpr std::uint32_t IN_PLACE_SLACK = 32;

[[gnu::always_inline]] inline void copy_bulk_match_in_place(std::uint8_t* to, std::uint32_t length,
                                                            std::uint32_t distance) {
    const std::uint8_t* source = to - 1 - distance;
    constexpr std::uint32_t WORD = 8;
    if (distance >= WORD - 1) {
        for (std::uint32_t i = 0; i < IN_PLACE_SLACK; i += WORD) store_word(to + i, load_word(source + i));
        for (std::uint32_t i = IN_PLACE_SLACK; i < length; i += WORD)
            store_word(to + i, load_word(source + i));
    } else if (distance == 0) {
        const std::uint64_t repeated = *source * 0x0101010101010101ull;
        for (std::uint32_t i = 0; i < IN_PLACE_SLACK; i += WORD) store_word(to + i, repeated);
        for (std::uint32_t i = IN_PLACE_SLACK; i < length; i += WORD) store_word(to + i, repeated);
    } else {
        for (std::uint32_t i = 0; i < length; ++i) to[i] = source[i];
    }
}

// Where decode_bulk makes the chunk: in the window, or in place in the file's first chunk (the file starts
// at out), or in place in a later one (a whole chunk of the file lies before out).
constexpr int BULK_WINDOW = 0;
constexpr int BULK_FIRST_CHUNK = 1;
constexpr int BULK_LATER_CHUNK = 2;

template <int place>
std::uint32_t decode_bulk(codec_context* ctx, std::uint8_t* out, std::uint32_t r, std::uint32_t want) {
    constexpr bool in_place = place != BULK_WINDOW;
    if (ctx->fast_tables_ready == 0 || ctx->block_remaining == 0) return r;
    // Matches end by out_limit: no match is cut, and a match's last word stays inside the window, or the
    // chunk.
    const std::uint32_t out_limit = in_place ? (want > IN_PLACE_SLACK ? want - IN_PLACE_SLACK : 0)
                                             : std::min(want, CODEC_CHUNK_SIZE - BULK_SLACK);
    if (out_limit < BULK_CYCLE_LITERALS) return r;
    const std::uint32_t last_start = out_limit - BULK_CYCLE_LITERALS;
    const std::uint8_t* const in_end = ctx->input->end;
    if (r > last_start || in_end - ctx->input->next < FAST_INPUT_BYTES) return r;

    // The bits held are w.count modulo 64: whole entries are subtracted from it (see
    // FAST_SYMBOL_CODE_LENGTH).
    wide_reader w = take_wide_reader(ctx);

    // Both tables through the context, at fixed offsets from one register.
    const codec_context& tables = *ctx;
    // The output as pointers, which leaves one register more to the loop than an index would.
    std::uint8_t* op = out + r;
    const std::uint8_t* const op_last_start = out + last_start;
    const std::uint8_t* const op_limit = out + out_limit;
    std::uint32_t remaining = ctx->block_remaining;
    constexpr std::uint32_t NOT_LITERAL = FAST_SYMBOL_MATCH | FAST_SYMBOL_SLOW;
    constexpr int INDEX_SHIFT = 64 - CODEC_SYMBOL_TABLE_BITS;
    constexpr std::uint32_t COUNT_MASK = 63;

    refill_wide_reader(w);
    // The next symbol's entry, looked up ahead: a refill only adds bits behind those held, so an entry
    // found on at least CODEC_SYMBOL_TABLE_BITS held bits stays good across one.
    std::uint32_t entry = tables.fast_symbol_table[w.bits >> INDEX_SHIFT];

    // One cycle: up to three literals, or up to two and a match, then a refill. False when the bulk path
    // must stop before the entry in hand (a code it does not take, or, when checked, a match that does not
    // fit before op_limit); nothing of it has then been consumed. Unchecked cycles start far enough before
    // op_limit for any match to fit.
    const auto cycle = [&]<bool checked>() __attribute__((always_inline))->bool {
        std::uint8_t* const cycle_start = op;
        const auto take_literal = [&]() __attribute__((always_inline)) {
            w.bits <<= entry & COUNT_MASK;
            w.count -= entry;
            *op++ = static_cast<std::uint8_t>(entry >> FAST_SYMBOL_VALUE_SHIFT);
            entry = tables.fast_symbol_table[w.bits >> INDEX_SHIFT];
        };
        // Up to three literals in a row, unrolled: each one consumes its code, writes its byte and looks
        // up the next entry, which the 20 bits left after three are enough for.
        if ((entry & NOT_LITERAL) == 0) {
            take_literal();
            if ((entry & NOT_LITERAL) == 0) {
                take_literal();
                if ((entry & NOT_LITERAL) == 0) {
                    take_literal();
                    remaining -= 3;
                    refill_wide_reader(w);
                    return true;
                }
            }
        }
        remaining -= static_cast<std::uint32_t>(op - cycle_start);
        if (entry & FAST_SYMBOL_SLOW) return false;
        // A match: its distance class and extra bits come from the bits after the length's code, and
        // nothing is consumed before the class is known to be decodable here.
        const std::uint64_t after_symbol = w.bits << (entry & COUNT_MASK);
        const std::uint64_t class_entry =
            tables.fast_class_table[after_symbol >> (64 - CODEC_AUX_TABLE_BITS)];
        if (class_entry & FAST_CLASS_SLOW) return false;
        const auto class_value = static_cast<std::uint32_t>(
            (after_symbol >> 1) >> (class_entry >> FAST_CLASS_SHIFT_AT & FAST_CLASS_BITS));
        const std::uint32_t distance =
            class_value + static_cast<std::uint32_t>(class_entry >> FAST_CLASS_OFFSET_AT);
        const std::uint32_t length =
            (entry >> FAST_SYMBOL_VALUE_SHIFT) + FIRST_MATCH_SYMBOL - MATCH_LENGTH_BIAS;
        if (checked && length > static_cast<std::uint32_t>(op_limit - op)) return false;
        if (place == BULK_FIRST_CHUNK && distance >= static_cast<std::uint32_t>(op - out)) return false;
        w.bits = after_symbol << (class_entry & COUNT_MASK);
        w.count -= entry + static_cast<std::uint32_t>(class_entry);
        --remaining;
        // The next entry is looked up before the copy, so that the copy's branches do not hold it up.
        refill_wide_reader(w);
        entry = tables.fast_symbol_table[w.bits >> INDEX_SHIFT];
        if (in_place) {
            copy_bulk_match_in_place(op, length, distance);
        } else {
            copy_bulk_match(out, static_cast<std::uint32_t>(op - out), length, distance);
        }
        op += length;
        return true;
    };

    // A cycle decodes at most three symbols and ends with a refill, so it starts only with a refill's eight
    // bytes of input and three symbols of the block left (no symbol then checks the block's end). Output
    // is checked per cycle, and per match only in the last stretch before op_limit, where a match of the
    // longest length after two literals might not fit.
    const std::uint8_t* const in_last_refill = in_end - FAST_INPUT_BYTES;
    const std::uint8_t* const op_last_unchecked =
        out_limit >= BULK_CYCLE_LITERALS - 1 + FORMAT_MAX_MATCH
            ? op_limit - (BULK_CYCLE_LITERALS - 1 + FORMAT_MAX_MATCH)
            : out;
    while (w.in <= in_last_refill && remaining >= 3) {
        if (op < op_last_unchecked) {
            if (!cycle.template operator()<false>()) break;
        } else {
            if (op > op_last_start || !cycle.template operator()<true>()) break;
        }
    }
    hand_back_wide_reader(ctx, w);
    ctx->block_remaining = remaining;
    return static_cast<std::uint32_t>(op - out);
}

// The tail path, for what the bulk path leaves of a chunk whose tables are ready: the chunk's last bytes
// (cutting a match at its end as copy_match cuts it), a block's last symbols, and in place the matches
// that reach before the file's first byte (copy_whole_match reads the zero page there).
// Runs only on the block's own symbol code (fast_symbols_built), and while, checked before each refill:
//   - at least FAST_INPUT_BYTES input bytes remain;
//   - at least TAIL_OUTPUT_BYTES bytes of the chunk remain: the literals of one refill and at least one
//     byte of the symbol after them;
//   - the block has symbols left (block heads are read on the careful path);
//   - the next code, and a match's distance class, are found in one lookup (longer codes, and damaged
//     values, go to the careful path).
// One refill tops the reader up to at least 56 bits: enough for three literals of at most 12 bits, or for
// the longest match taken here (TAIL_MATCH_BITS) with the 16 bits of the lookahead to spare; a match after
// a literal refills first. The count of bits held is exact (below 64): nothing subtracts more than it
// holds. On leaving, the reader is handed back as decoding one byte at a time would have left it.
constexpr int TAIL_LITERALS_PER_REFILL = 2;
constexpr std::uint32_t TAIL_MATCH_BITS = 32;  // 12 bits of symbol, 8 of distance class, 12 extra bits
constexpr std::uint32_t TAIL_OUTPUT_BYTES = TAIL_LITERALS_PER_REFILL + 1;

std::uint32_t decode_tail(codec_context* ctx, chunk_bytes chunk, std::uint32_t r, std::uint32_t want) {
    const std::uint8_t* const in_end = ctx->input->end;
    if (in_end - ctx->input->next < FAST_INPUT_BYTES || want - r < TAIL_OUTPUT_BYTES ||
        ctx->block_remaining == 0 || ctx->fast_symbols_built == 0)
        return r;

    wide_reader w = take_wide_reader(ctx);

    const std::uint16_t* fast_table = ctx->fast_symbol_table.data();
    const std::uint16_t* class_table = ctx->aux_table.data();
    const std::uint8_t* class_lengths = ctx->aux_lengths.data();
    std::uint8_t* window = chunk.out;
    std::uint32_t block_remaining = ctx->block_remaining;
    bool matched = false;
    std::int32_t match_left = -1;
    std::uint32_t match_end = 0;

    bool long_code = false;  // the next code needs the tree, or more input: the careful path takes it
    while (!long_code && in_end - w.in >= FAST_INPUT_BYTES && want - r >= TAIL_OUTPUT_BYTES &&
           block_remaining != 0) {
        refill_wide_reader(w);

        // Up to TAIL_LITERALS_PER_REFILL literals of at most 12 bits each, then one more symbol of any
        // kind. The buffer never falls below the 16 bits of the lookahead: three literals leave 20 of the
        // 56, and a match (up to 32 bits) after a literal first tops the buffer up again.
        for (int literals = 0;; ++literals) {
            const std::uint32_t entry = fast_table[w.bits >> (64 - CODEC_SYMBOL_TABLE_BITS)];
            if (entry & FAST_SYMBOL_SLOW) {
                long_code = true;
                break;
            }
            const std::uint32_t symbol = fast_entry_symbol(entry);
            const std::uint32_t symbol_length = entry & FAST_SYMBOL_CODE_LENGTH;
            if (symbol < FIRST_MATCH_SYMBOL) {
                w.bits <<= symbol_length;
                w.count -= symbol_length;
                --block_remaining;
                window[r++] = static_cast<std::uint8_t>(symbol);
                if (literals == TAIL_LITERALS_PER_REFILL || block_remaining == 0) break;
                continue;
            }
            if (w.count < TAIL_MATCH_BITS + 16) {
                if (in_end - w.in < FAST_INPUT_BYTES) {
                    long_code = true;
                    break;
                }
                refill_wide_reader(w);
            }
            const std::uint32_t distance_class =
                class_table[(w.bits << symbol_length) >> (64 - CODEC_AUX_TABLE_BITS)];
            if (distance_class >= CODEC_CLASS_COUNT || class_lengths[distance_class] > CODEC_AUX_TABLE_BITS) {
                long_code = true;
                break;
            }
            const std::uint32_t consumed = symbol_length + class_lengths[distance_class];
            w.bits <<= consumed;
            w.count -= consumed;
            --block_remaining;
            std::uint32_t distance = 0;
            if (distance_class != 0) {
                const std::uint32_t extra_bits = distance_class - 1;
                distance = 1u << extra_bits;
                if (extra_bits != 0) {
                    distance += static_cast<std::uint32_t>(w.bits >> (64 - extra_bits));
                    w.bits <<= extra_bits;
                    w.count -= extra_bits;
                }
            }
            // A match that the chunk's end cuts is copied up to it; the rest waits for the next call, as
            // copy_match leaves it (a match that ends exactly at the chunk's end leaves a count of 0).
            const std::uint32_t length = symbol - MATCH_LENGTH_BIAS;
            const std::uint32_t from = (r - 1 - distance) & CODEC_WINDOW_MASK;
            const std::uint32_t copied = std::min(length, want - r);
            copy_whole_match(chunk, from, r, copied, distance);
            r += copied;
            matched = true;
            match_left = copied < length ? static_cast<std::int32_t>(length - copied) : (r == want ? 0 : -1);
            match_end = (from + copied) & CODEC_WINDOW_MASK;
            break;
        }
    }

    hand_back_wide_reader(ctx, w);
    ctx->block_remaining = block_remaining;
    if (matched) {
        ctx->copy_remaining = match_left;
        ctx->copy_from = match_end;
    }
    return r;
}

// copy_match with whole words where it can: the same bytes, and the same copy_remaining and copy_from
// left behind, as copying a byte at a time.
std::uint32_t copy_match_words(codec_context* ctx, chunk_bytes chunk, std::uint32_t r, std::uint32_t want) {
    if (ctx->copy_remaining <= 0) return copy_match(ctx, chunk, r, want);
    const auto length = static_cast<std::uint32_t>(ctx->copy_remaining);
    const std::uint32_t copied = std::min(length, want - r);
    const std::uint32_t from = ctx->copy_from;
    copy_whole_match(chunk, from, r, copied, (r - 1 - from) & CODEC_WINDOW_MASK);
    ctx->copy_remaining = copied < want - r ? -1 : static_cast<std::int32_t>(length - copied);
    ctx->copy_from = (from + copied) & CODEC_WINDOW_MASK;
    return r + copied;
}

// Where this call's chunk is made (see the banner). In place when a file is attached and the chunk starts
// where the last one ended; otherwise in the window, which is cleared on its first use and, when a chunk
// leaves an attached file's order, first given the history the file held, as the window would hold it.
chunk_bytes place_chunk(codec_context* ctx, output_span* output, bool* in_place) {
    std::uint8_t* const file = ctx->file_begin;
    if (ctx->file_next != nullptr) {
        if (output->next == ctx->file_next && output->end <= ctx->file_end) {
            *in_place = true;
            const auto done = static_cast<std::size_t>(output->next - file);
            return {output->next, done >= CODEC_CHUNK_SIZE ? output->next - CODEC_CHUNK_SIZE : ZERO_PAGE};
        }
        const auto done = static_cast<std::size_t>(ctx->file_next - file);
        const std::size_t kept = std::min<std::size_t>(done, CODEC_CHUNK_SIZE);
        if (kept < CODEC_CHUNK_SIZE) std::memset(ctx->window, 0, CODEC_CHUNK_SIZE);
        for (std::size_t offset = done - kept; offset < done; ++offset)
            ctx->window[offset & CODEC_WINDOW_MASK] = file[offset];
        ctx->window_zeroed = 1;
        ctx->file_next = nullptr;
    }
    if (ctx->window_zeroed == 0) {
        std::memset(ctx->window, 0, CODEC_CHUNK_SIZE);
        ctx->window_zeroed = 1;
    }
    *in_place = false;
    return {ctx->window, ctx->window};
}

}  // namespace

// Which path makes which part of a chunk; each takes over where the one above it stops, and the careful
// path, one symbol at a time, is the reference the others are held to (tests/decoder/match_copy_test.cc,
// fuzz/decoder_paths_fuzz.cc). With codec_fast_path off (tests), copy_match takes the first row and
// neither wide path runs.
//
//   path               takes                                    while
//   copy_match_words   the rest of a match the last call cut    first, up to the chunk's end
//   read_block_header  a block head                             the block has no symbols left
//   decode_bulk        the chunk's body                         tables ready, 8 input bytes, 3 symbols
//                                                               of the block left, room for the cycle and
//                                                               its match: 32 bytes short of the chunk's
//                                                               end in place; in the window, short of its
//                                                               end and of the window's last 16 bytes
//   decode_tail        the chunk's last bytes, a block's last   symbol code built, 8 input bytes, 3 bytes
//                      symbols, matches before the file         of the chunk left
//   careful            the rest: long codes, symbols under 8    always
//                      input bytes from the end, a chunk's last
//                      2 bytes, blocks without fast tables
int decode_chunk(codec_context* ctx, input_span* input, output_span* output) {
    if (ctx == nullptr || input == nullptr || output == nullptr) return CODEC_ERR_HANDLE;
    ctx->input = input;
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
    bool in_place = false;
    const chunk_bytes chunk = place_chunk(ctx, output, &in_place);
    std::uint8_t* const out = chunk.out;
    std::uint32_t r =
        codec_fast_path ? copy_match_words(ctx, chunk, 0, want) : copy_match(ctx, chunk, 0, want);
    while (r < want) {
        // A header is read only when a block's first symbol is needed, so a chunk that ends with a block's
        // last symbol leaves the next header unread. A block size of 0 wraps and the block never ends.
        if (ctx->block_remaining == 0) {
            read_block_header(ctx);
        } else if (codec_fast_path) {
            if (!in_place) {
                r = decode_bulk<BULK_WINDOW>(ctx, out, r, want);
            } else if (chunk.prev == ZERO_PAGE) {
                r = decode_bulk<BULK_FIRST_CHUNK>(ctx, out, r, want);
            } else {
                r = decode_bulk<BULK_LATER_CHUNK>(ctx, out, r, want);
            }
            r = decode_tail(ctx, chunk, r, want);
            if (r == want || ctx->block_remaining == 0) continue;
        }
        // The careful path: one symbol, the reference for everything the other paths do.
        --ctx->block_remaining;

        const std::uint32_t symbol = decode_symbol(ctx);
        if (symbol < FIRST_MATCH_SYMBOL) {
            out[r++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        ctx->copy_remaining = static_cast<std::int32_t>(symbol - MATCH_LENGTH_BIAS);
        const std::uint32_t distance_class = decode_with_table(
            ctx, ctx->aux_table.data(), CODEC_AUX_TABLE_BITS, ctx->aux_lengths.data(), CODEC_CLASS_COUNT);
        const std::uint32_t distance = read_distance(ctx, distance_class);
        // Before the file's first byte lies the zero-filled part of the window: such a match yields zeros.
        ctx->copy_from = (r - 1 - distance) & CODEC_WINDOW_MASK;
        r = codec_fast_path ? copy_match_words(ctx, chunk, r, want) : copy_match(ctx, chunk, r, want);
    }

    if (in_place) {
        ctx->file_next = output->next + want;
    } else {
        std::memcpy(output->next, out, want);
    }
    output->next += want;
    if (ctx->error_code != 0) {
        ctx->codec_state = CODEC_FAILED;
        return ctx->error_code;
    }
    return 0;
}

}  // namespace decoder
