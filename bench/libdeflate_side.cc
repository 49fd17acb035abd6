// The libdeflate side of the benchmarks; compiled only when the library was found.
#include "libdeflate_side.h"

#include <libdeflate.h>

#include <stdexcept>

namespace bench {

std::vector<unsigned char> libdeflate_compress(const std::vector<unsigned char>& in, int level) {
    libdeflate_compressor* compressor = libdeflate_alloc_compressor(level);
    if (compressor == nullptr) throw std::runtime_error("libdeflate_alloc_compressor");
    std::vector<unsigned char> out(libdeflate_deflate_compress_bound(compressor, in.size()));
    const std::size_t size =
        libdeflate_deflate_compress(compressor, in.data(), in.size(), out.data(), out.size());
    libdeflate_free_compressor(compressor);
    if (size == 0 && !in.empty()) throw std::runtime_error("libdeflate_deflate_compress");
    out.resize(size);
    return out;
}

bool libdeflate_decompress(const std::vector<unsigned char>& in, std::vector<unsigned char>& out) {
    // One decompressor for the run, as a program decoding many files would keep it.
    static libdeflate_decompressor* const decompressor = libdeflate_alloc_decompressor();
    if (out.empty()) return true;  // as the installer, which never decodes an empty file
    return decompressor != nullptr &&
           libdeflate_deflate_decompress(decompressor, in.data(), in.size(), out.data(), out.size(),
                                         nullptr) == LIBDEFLATE_SUCCESS;
}

}  // namespace bench
