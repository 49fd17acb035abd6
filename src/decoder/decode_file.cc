#include "decoder/decode_file.h"

#include "decoder/chunk_loop.h"
#include "decoder/codec.h"

namespace decoder {

int decode_file(const std::uint8_t* stored, std::size_t stored_size, std::uint8_t* file,
                std::size_t file_size) {
    if (file_size == 0) return 0;
    codec_context* codec = nullptr;
    const int opened = codec_open(&codec);
    if (opened < 0) return opened;
    input_span input{stored, stored + stored_size};
    const int result = decode_in_chunks(codec, &input, file, file_size, until_failure);
    codec_close(&codec);
    return result;
}

}  // namespace decoder
