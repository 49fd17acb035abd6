#include "decoder/decode_file.h"

#include <algorithm>

#include "decoder/codec.h"

namespace decoder {

int decode_file(const std::uint8_t* stored, std::size_t stored_size, std::uint8_t* file,
                std::size_t file_size) {
    if (file_size == 0) return 0;
    codec_context* codec = nullptr;
    const int opened = codec_open(&codec);
    if (opened < 0) return opened;
    input_span input{stored, stored + stored_size};
    int result = 0;
    for (std::size_t done = 0; result == 0 && done < file_size;) {
        const std::size_t chunk = std::min<std::size_t>(file_size - done, CODEC_CHUNK_SIZE);
        output_span output{file + done, file + done + chunk};
        result = decode_chunk(codec, &input, &output);
        done += chunk;
    }
    codec_close(&codec);
    return result;
}

}  // namespace decoder
