// Fuzz target: mkinstaller's compressor against the installer's decoder. Input: one byte choosing the level
// (1 + byte % 9), then the file's bytes. The stream is decoded as the installer decodes it (decode_file, one
// fresh context asked chunk by chunk through the chunk loop); a stream the decoder refuses, or restores to
// anything but the input, is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "contained_exit.h"
#include "decoder/decode_file.h"
#include "encoder/encoder.h"

namespace {

using fuzz_support::require;

constexpr int FUZZ_LEVELS = encoder::ENCODER_LEVEL_MAX - encoder::ENCODER_LEVEL_MIN + 1;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int level = encoder::ENCODER_LEVEL_MIN + data[0] % FUZZ_LEVELS;
    const std::span<const unsigned char> file(data + 1, size - 1);
    const std::vector<unsigned char> stream = encoder::compress(file, level);
    if (file.empty()) {
        require(stream.empty(), "an empty file gives an empty stream");
        return 0;
    }
    // Exactly the file's size on the heap, so that a write past its end meets a red zone.
    const std::unique_ptr<std::uint8_t[]> restored(new std::uint8_t[file.size()]);
    require(decoder::decode_file(stream.data(), stream.size(), restored.get(), file.size()) == 0,
            "the decoder accepts every stream the encoder writes");
    require(std::equal(file.begin(), file.end(), restored.get()), "the decoder restores the encoder's input");
    return 0;
}
