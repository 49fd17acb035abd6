// The one loop that asks the decoder for a file's bytes, and the chunk contract it keeps for every caller:
// the installer (which draws its progress line between chunks), its read-ahead worker (which publishes
// each chunk), decode_file, mkinstaller's extraction, the tests and the fuzzers. What a caller does between
// chunks is a callback; how a file is cut into chunks is written only here.
//
// Chunk contract (the decoder depends on it):
//   - One context serves one file, from a fresh context (codec_open) to codec_close.
//   - Every call for a file gets the same input_span, covering the file's whole compressed data; the decoder
//     advances input.next past every byte it fetches and never past input.end.
//   - Every call but the file's last asks for exactly CODEC_CHUNK_SIZE (8192) bytes; the last asks for the
//     bytes still missing. The decoder stages a chunk in its 8192-byte window and takes the window index of
//     each byte it produces to be the number of bytes produced so far in the call. That index is the byte's
//     file offset modulo 8192 only when every earlier call produced 8192 bytes, so a shorter chunk anywhere
//     but at the end breaks later matches.
//   - A request for zero bytes returns 0 at once and reads nothing; a file whose size is 0 needs no decoder.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "decoder/codec.h"

namespace decoder {

// Walks a file of file_size bytes in the contract's chunks, first to last. For each chunk, make_chunk(begin,
// end) makes the file's bytes [begin, end) and returns 0 or a negative failure; then after_chunk(end, result)
// sees how far the file has come and that result, and returns whether to go on (the walk ends after the
// last chunk regardless). Returns the last result, or 0 when there is no chunk. Both callables are inlined
// into the loop, so a caller's between-chunk work costs what it would written out by hand.
template <typename make_fn, typename after_fn>
inline int for_each_chunk(std::size_t file_size, make_fn&& make_chunk, after_fn&& after_chunk) {
    if (file_size == 0) return 0;
    for (std::size_t begin = 0;;) {
        const std::size_t end = begin + std::min<std::size_t>(file_size - begin, CODEC_CHUNK_SIZE);
        const int result = make_chunk(begin, end);
        if (!after_chunk(end, result) || end == file_size) return result;
        begin = end;
    }
}

// Decodes file[0..file_size) with an open, fresh codec from *input, which covers the file's whole compressed
// data and stands, afterwards, where the decoder left it. after_chunk as for for_each_chunk: it decides
// after a failure too (a failed context only repeats its failure, writing nothing). The chunks are decoded
// in place in `file` (codec_attach_file): after_chunk may read the bytes done so far but not change them.
template <typename after_fn>
inline int decode_in_chunks(codec_context* codec, input_span* input, std::uint8_t* file,
                            std::size_t file_size, after_fn&& after_chunk) {
    codec_attach_file(codec, file, file_size);
    return for_each_chunk(
        file_size,
        [&](std::size_t begin, std::size_t end) {
            output_span output{file + begin, file + end};
            return decode_chunk(codec, input, &output);
        },
        after_chunk);
}

// The after_chunk of a caller that needs nothing between chunks: go on until a chunk fails.
inline bool until_failure(std::size_t /*done*/, int result) {
    return result == 0;
}

}  // namespace decoder
