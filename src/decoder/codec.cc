// Opening and closing a codec context: one allocation for the context, one for its window, and attaching
// a file's buffer. Decoding is in block_decoder.cc.
#include "decoder/codec.h"

#include <cstdlib>
#include <cstring>

#include "decoder/codec_context.h"

namespace decoder {

int codec_open(codec_context** handle) {
    if (handle == nullptr || *handle != nullptr) return CODEC_ERR_HANDLE;
    // Zero-filled but for the large tables, which are written whole before they are read, and the window,
    // which a file decoded in place never uses (it is cleared on its first use): clearing them at once
    // would cost a small file more than decoding some of it.
    auto* ctx = static_cast<codec_context*>(std::malloc(sizeof(codec_context)));
    if (ctx == nullptr) return CODEC_ERR_MEMORY;
    std::memset(ctx, 0, CODEC_ZEROED_BYTES);
    ctx->window = static_cast<std::uint8_t*>(std::malloc(FORMAT_WINDOW_SIZE));
    if (ctx->window == nullptr) {
        std::free(ctx);
        return CODEC_ERR_MEMORY;
    }
    // Every zeroed field stands for a fresh start: CODEC_FRESH, no error, an empty bit reader, no block, no
    // match, no file attached, a window still to clear and a symbol table still to write.
    *handle = ctx;
    return 0;
}

void codec_attach_file(codec_context* ctx, std::uint8_t* file, std::size_t file_size) {
    if (ctx == nullptr || ctx->codec_state != CODEC_FRESH) return;
    ctx->file_begin = file;
    ctx->file_end = file + file_size;
    ctx->file_next = file;
}

void codec_close(codec_context** handle) {
    if (handle == nullptr || *handle == nullptr) return;
    std::free((*handle)->window);
    std::free(*handle);
    *handle = nullptr;
}

}  // namespace decoder
