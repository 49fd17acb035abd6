// Opening and closing a codec context: one allocation for the context, one zero-filled for its window.
// Decoding is in block_decoder.cc.
#include "decoder/codec.h"

#include <cstdlib>
#include <cstring>

#include "decoder/codec_context.h"

namespace decoder {

int codec_open(codec_context** handle) {
    if (handle == nullptr || *handle != nullptr) return CODEC_ERR_HANDLE;
    // Zero-filled but for the bulk path's tables, which every block head builds before they are read:
    // clearing them too would cost a small file more than decoding some of it.
    auto* ctx = static_cast<codec_context*>(std::malloc(sizeof(codec_context)));
    if (ctx == nullptr) return CODEC_ERR_MEMORY;
    std::memset(ctx, 0, CODEC_ZEROED_BYTES);
    ctx->window = static_cast<std::uint8_t*>(std::calloc(FORMAT_WINDOW_SIZE, 1));
    if (ctx->window == nullptr) {
        std::free(ctx);
        return CODEC_ERR_MEMORY;
    }
    // Every field is zero: CODEC_FRESH, no error, an empty bit reader, no block, no match.
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
