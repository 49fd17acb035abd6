// mkinstaller's compressor: turns a file's bytes into the one compressed stream from which the installer's
// decoder restores them, LZ77 over an 8192-byte window with codes sent at the head of every block. This
// is the whole interface; the parse, the block planning and the bit layout live in the other files here.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace encoder {

// Levels trade speed for size: 1 is the fastest, 9 the smallest.
constexpr int ENCODER_LEVEL_MIN = 1;
constexpr int ENCODER_LEVEL_MAX = 9;
constexpr int ENCODER_LEVEL_DEFAULT = 6;

// The largest input compress accepts (positions are kept in 32 bits with one value reserved).
constexpr std::uint64_t ENCODER_MAX_INPUT = 0xFFFFFFFEu;

// Returns the compressed stream of data. A level outside 1..9 is taken as the nearest valid one. Empty
// data gives an empty stream: a file of size 0 is never handed to the decoder. Throws std::length_error
// for data larger than ENCODER_MAX_INPUT and std::bad_alloc when memory runs out. The working memory is
// taken once per call and the output reserved once for its usual size; no block or symbol allocates.
std::vector<unsigned char> compress(std::span<const unsigned char> data, int level = ENCODER_LEVEL_DEFAULT);

}  // namespace encoder
