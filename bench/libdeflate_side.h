// libdeflate as the second yardstick beside zlib: its own compressor at a level comparable to our default,
// its stream decoded by itself. Built only when the bench preset found the library (BENCH_HAVE_LIBDEFLATE,
// bench/CMakeLists.txt); without it the benchmarks leave this side out and say so.
#pragma once

#include <vector>

namespace bench {

#if BENCH_HAVE_LIBDEFLATE
constexpr bool BENCH_LIBDEFLATE = true;

// Raw deflate of `in` at `level`; throws std::runtime_error when the library fails.
std::vector<unsigned char> libdeflate_compress(const std::vector<unsigned char>& in, int level);

// Decodes `in` into all of `out`, whose size is the original's; false when the stream does not decode to
// exactly that many bytes.
bool libdeflate_decompress(const std::vector<unsigned char>& in, std::vector<unsigned char>& out);
#else
constexpr bool BENCH_LIBDEFLATE = false;

// Never called while BENCH_LIBDEFLATE is false; here so that callers need no conditional code.
inline std::vector<unsigned char> libdeflate_compress(const std::vector<unsigned char>&, int) {
    return {};
}
inline bool libdeflate_decompress(const std::vector<unsigned char>&, std::vector<unsigned char>&) {
    return false;
}
#endif

}  // namespace bench
