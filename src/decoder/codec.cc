// Opening and closing a codec context: one zero-filled allocation for the context, one for its window.
// Decoding is in block_decoder.cc.
#include "decoder/codec.h"

#include <cstdlib>

#include "decoder/codec_context.h"

namespace decoder {

int codec_open(codec_context** handle) {
    if (handle == nullptr || *handle != nullptr) return CODEC_ERR_HANDLE;
    auto* ctx = static_cast<codec_context*>(std::calloc(1, sizeof(codec_context)));
    if (ctx == nullptr) return CODEC_ERR_MEMORY;
    ctx->window = static_cast<std::uint8_t*>(std::calloc(CODEC_CHUNK_SIZE, 1));
    if (ctx->window == nullptr) {
        std::free(ctx);
        return CODEC_ERR_MEMORY;
    }
    // calloc leaves every field zero: CODEC_FRESH, no error, an empty bit reader, no block, no match.
    *handle = ctx;
    return 0;
}

void codec_close(codec_context** handle) {
    if (handle == nullptr || *handle == nullptr) return;
    std::free((*handle)->window);
    std::free(*handle);
    *handle = nullptr;
}

}  // namespace decoder
