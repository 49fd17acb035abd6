// The decoder of compressed entries: opening a codec context for one file, producing the file's bytes chunk
// by chunk from its compressed data, and closing the context. This is the interface the installer and
// mkinstaller use; the context's layout, the bit reader and the tables live in the other decoder headers.
//
// The decoder depends on being asked for a file's bytes chunk by chunk as decode_in_chunks asks
// (chunk_loop.h, which states that contract); nothing allocates while decoding, nothing prints and nothing
// terminates.
#pragma once

#include <cstddef>
#include <cstdint>

namespace decoder {

// Codec results: 0 for success, negative for failure.
constexpr int CODEC_ERR_HANDLE = -1;  // missing or occupied handle, missing context or span, inverted span
constexpr int CODEC_ERR_MEMORY = -2;  // the context or its window could not be allocated
constexpr int CODEC_ERR_TABLE = -10;  // the compressed data carried inconsistent code lengths

// The most one decode_chunk call produces, and the size of the history window.
constexpr std::uint32_t CODEC_CHUNK_SIZE = 8192;

// The caller's compressed bytes: next is the next unread byte, end is one past the last.
struct input_span {
    const std::uint8_t* next;
    const std::uint8_t* end;
};

// Where the caller wants the next chunk: next is where it starts, end is one past its last byte.
struct output_span {
    std::uint8_t* next;
    std::uint8_t* end;
};

struct codec_context;

// Puts a new context, fresh and with a window that reads as zeros, into the empty slot *handle and returns 0.
// CODEC_ERR_HANDLE if handle is null or *handle already holds a context; CODEC_ERR_MEMORY if an allocation
// fails, in which case nothing stays allocated and *handle stays null.
int codec_open(codec_context** handle);

// Writes exactly min(output->end - output->next, 8192) bytes at output->next and advances output->next by
// that count; advances input->next past the bytes it fetches. Returns 0, or CODEC_ERR_TABLE when a block of
// this call carried inconsistent code lengths: the call still fills its chunk (with meaningless bytes), the
// context is failed from then on, and every later call returns CODEC_ERR_TABLE at once without writing.
// CODEC_ERR_HANDLE, with nothing read or written, for a null ctx, input or output or an output span whose
// end lies before its next.
int decode_chunk(codec_context* ctx, input_span* input, output_span* output);

// Tells a fresh ctx that its file's chunks will be asked for one after another into file[0..file_size), the
// whole file's buffer, as decode_in_chunks asks for them. Each such chunk is then decoded in place, and
// earlier bytes of the file are read back from the buffer instead of being kept in the window: the caller
// leaves the bytes it has been given unchanged, and the buffer in place, until it closes ctx. Results and
// bytes are those of decoding without it; a chunk asked for anywhere else ends the arrangement. Ignored
// for a null or a used context.
void codec_attach_file(codec_context* ctx, std::uint8_t* file, std::size_t file_size);

// Releases the context in *handle, whatever its state, and empties the slot. A null handle or an empty slot
// is ignored.
void codec_close(codec_context** handle);

}  // namespace decoder
