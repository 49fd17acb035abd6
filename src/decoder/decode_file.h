// A whole file's bytes from its compressed stream, for tools that want them without anything between chunks:
// one fresh context, asked as the installer asks (chunk_loop.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace decoder {

// Fills file[0..file_size) from stored[0..stored_size). Returns 0, or the first negative result of
// codec_open or decode_chunk (the rest of `file` is then meaningless). A file_size of 0 needs no decoder
// and returns 0 at once.
int decode_file(const std::uint8_t* stored, std::size_t stored_size, std::uint8_t* file,
                std::size_t file_size);

}  // namespace decoder
