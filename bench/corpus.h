// The benchmark corpus: files every machine of this kind has, read once into memory, each kept whole
// because the installer compresses and decompresses one file at a time.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace bench {

struct corpus_file {
    std::string path;
    std::vector<unsigned char> bytes;
};

// The headers under /usr/include in path order, up to BENCH_CORPUS_MB mebibytes in all (default 32; 0 for
// every file), then a few large binaries from /usr/bin.
const std::vector<corpus_file>& corpus();
std::size_t corpus_bytes();

// zlib's raw deflate (no header or trailer, so only the compressed data is compared) of `in` at `level`
// with a 2^window_bits window; throws std::runtime_error when zlib fails.
std::vector<unsigned char> zlib_deflate(const std::vector<unsigned char>& in, int level, int window_bits);

}  // namespace bench
