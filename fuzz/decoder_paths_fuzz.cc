// Fuzz target: the decoder's fast paths against its careful path on the same arbitrary stream and file
// size (the input layout of decoder_fuzz: three bytes of file size, little-endian, up to 256 KiB, then the
// stream). Both are asked for the file chunk by chunk as the installer asks (chunk_loop.h), which decodes
// in place in the file's buffer; both are asked once more through the window alone (each chunk
// its own call, no file attached). Every call must give the same bytes and the same result and leave the
// input at the same place.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "contained_exit.h"
#include "decoder/chunk_loop.h"
#include "decoder/codec.h"
#include "decoder/codec_context.h"

namespace {

using fuzz_support::require;

constexpr std::size_t FUZZ_SIZE_BYTES = 3;
constexpr std::size_t FUZZ_MAX_FILE_SIZE = 256 * 1024;

struct decoded {
    std::vector<std::uint8_t> bytes;
    std::vector<int> results;
    std::vector<std::size_t> input_used;  // after each call
};

decoded decode(const std::uint8_t* stream, std::size_t stream_size, std::size_t file_size, bool fast,
               bool in_place) {
    decoder::codec_fast_path = fast;
    decoded out;
    out.bytes.assign(file_size, 0);
    decoder::input_span input{stream, stream + stream_size};
    decoder::codec_context* codec = nullptr;
    require(decoder::codec_open(&codec) == 0, "codec_open on an empty handle");
    const auto after_chunk = [&](std::size_t, int result) {
        out.results.push_back(result);
        out.input_used.push_back(static_cast<std::size_t>(input.next - stream));
        return result == 0;
    };
    if (in_place) {
        decoder::decode_in_chunks(codec, &input, out.bytes.data(), file_size, after_chunk);
    } else {
        const auto through_window = [&](std::size_t begin, std::size_t end) {
            decoder::output_span output{out.bytes.data() + begin, out.bytes.data() + end};
            return decoder::decode_chunk(codec, &input, &output);
        };
        decoder::for_each_chunk(file_size, through_window, after_chunk);
    }
    decoder::codec_close(&codec);
    decoder::codec_fast_path = true;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < FUZZ_SIZE_BYTES) return 0;
    const std::size_t file_size = (data[0] | data[1] << 8 | data[2] << 16) % (FUZZ_MAX_FILE_SIZE + 1);
    const std::uint8_t* stream = data + FUZZ_SIZE_BYTES;
    const std::size_t stream_size = size - FUZZ_SIZE_BYTES;
    const decoded fast = decode(stream, stream_size, file_size, true, true);
    const decoded careful = decode(stream, stream_size, file_size, false, true);
    require(fast.results == careful.results, "the fast paths return what the careful path returns");
    require(fast.input_used == careful.input_used, "the fast paths use the input the careful path uses");
    require(fast.bytes == careful.bytes, "the fast paths produce the careful path's bytes");
    for (const bool fast_path : {true, false}) {
        const decoded windowed = decode(stream, stream_size, file_size, fast_path, false);
        require(windowed.results == careful.results && windowed.input_used == careful.input_used &&
                    windowed.bytes == careful.bytes,
                "decoding through the window gives what decoding in place gives");
    }
    return 0;
}
