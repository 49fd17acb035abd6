// Compressed size of the benchmark corpus with one compressor and level, for comparing sizes exactly and
// speeds by instruction count (perf stat -e instructions:u) on a shared machine. `codec_sizes ours 6`
// runs our encoder, `codec_sizes zlib 9` raw deflate with an 8 KiB window; `--check` also decodes every
// file of ours with the installer's decoder and fails on any difference; `--sample` takes a fixed small part
// of the corpus; `none` only loads it, the instructions to subtract from the others' counts.
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "corpus.h"
#include "decoder/decode_file.h"
#include "encoder/encoder.h"

using bytes = std::vector<unsigned char>;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: codec_sizes ours|zlib|none LEVEL [--check]\n");
        return 2;
    }
    const bool zlib = std::strcmp(argv[1], "zlib") == 0;
    // `none` only loads the corpus: the instructions to subtract from the others' counts.
    const int level = std::atoi(argv[2]);
    bool check = false;
    bool sample = false;
    for (int i = 3; i < argc; ++i) {
        check |= std::strcmp(argv[i], "--check") == 0;
        sample |= std::strcmp(argv[i], "--sample") == 0;
    }
    std::vector<bench::corpus_file> files;
    if (sample) {
        // A fixed sample small enough to run under callgrind: every 16th header, the first 2 MiB of each
        // binary.
        const auto& all = bench::corpus();
        for (std::size_t i = 0; i < all.size(); ++i) {
            const bool binary = all[i].path.rfind("/usr/bin/", 0) == 0;
            if (!binary && i % 16 != 0) continue;
            files.push_back(all[i]);
            if (binary && files.back().bytes.size() > (2u << 20)) files.back().bytes.resize(2u << 20);
        }
    }
    std::size_t input_total = 0;
    std::size_t total = 0;
    for (const auto& f : sample ? files : bench::corpus()) {
        input_total += f.bytes.size();
        if (std::strcmp(argv[1], "none") == 0) continue;
        if (zlib) {
            total += bench::zlib_deflate(f.bytes, level, 13).size();
            continue;
        }
        const bytes packed = encoder::compress(f.bytes, level);
        total += packed.size();
        if (!check || f.bytes.empty()) continue;
        bytes out(f.bytes.size());
        if (decoder::decode_file(packed.data(), packed.size(), out.data(), out.size()) != 0 ||
            out != f.bytes) {
            std::fprintf(stderr, "round trip failed: %s\n", f.path.c_str());
            return 1;
        }
    }
    std::printf("%s %d: %zu of %zu bytes\n", argv[1], level, total, input_total);
    return 0;
}
