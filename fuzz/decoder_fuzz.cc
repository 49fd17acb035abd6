// Fuzz target: the decoder on an arbitrary stream and file size, asked for the file's bytes chunk by chunk
// as the installer asks (chunk_loop.h). Input: three bytes of file size (little-endian, up to 256 KiB), then
// the compressed stream. Besides the sanitizers' checks it holds the decoder to its interface: every call
// fills exactly its chunk, the input is never passed, and a failed context stays failed and writes nothing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "contained_exit.h"
#include "decoder/chunk_loop.h"
#include "decoder/codec.h"

namespace {

using fuzz_support::require;

constexpr std::size_t FUZZ_SIZE_BYTES = 3;
constexpr std::size_t FUZZ_MAX_FILE_SIZE = 256 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < FUZZ_SIZE_BYTES) return 0;
    const std::size_t file_size = (data[0] | data[1] << 8 | data[2] << 16) % (FUZZ_MAX_FILE_SIZE + 1);
    // Exactly file_size bytes on the heap, so that a write past the file's end meets a red zone.
    const std::unique_ptr<std::uint8_t[]> file(new std::uint8_t[file_size]);
    decoder::input_span input{data + FUZZ_SIZE_BYTES, data + size};

    decoder::codec_context* codec = nullptr;
    require(decoder::codec_open(&codec) == 0 && codec != nullptr, "codec_open on an empty handle");
    // The loop's own chunks, each decoded here so that what the call did with its spans can be checked.
    const auto decode_and_check = [&](std::size_t begin, std::size_t end) {
        std::uint8_t* const p = file.get();
        decoder::output_span output{p + begin, p + end};
        const std::uint8_t* const input_before = input.next;
        const int result = decoder::decode_chunk(codec, &input, &output);
        require(input.next >= input_before && input.next <= input.end, "input stays within its span");
        if (result < 0) {
            require(result == decoder::CODEC_ERR_TABLE, "the only decoding error is a table error");
            // The failed chunk is still filled; from now on nothing moves.
            require(output.next == p + end, "a failing call fills its chunk");
            decoder::output_span again{p + begin, p + end};
            require(decoder::decode_chunk(codec, &input, &again) == result && again.next == p + begin,
                    "a failed context writes nothing and repeats its error");
            return result;
        }
        require(result == 0, "a result is 0 or negative");
        require(output.next == p + end, "a call produces exactly its chunk");
        return result;
    };
    decoder::for_each_chunk(file_size, decode_and_check, decoder::until_failure);
    decoder::codec_close(&codec);
    require(codec == nullptr, "codec_close empties the handle");
    return 0;
}
