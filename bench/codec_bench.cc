// Our codec against zlib on the same corpus, one file at a time as the installer works: the compressor's
// speed and total size at levels 1, 6 and 9 against deflate at levels 6 and 9 with an 8 KiB (windowBits 13)
// and a 32 KiB (15) window; the decoder's output throughput against inflate. libdeflate, when the build
// found it, is the second yardstick: its compressor at levels 6 and 9, and its decoder on its own level-6
// streams. Counters: bytes_per_second is input for compression and output for decompression; `ratio` is
// compressed / original.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "corpus.h"
#include "decoder/decode_file.h"
#include "encoder/encoder.h"
#include "libdeflate_side.h"

namespace {

using bench::corpus;
using bench::corpus_bytes;
using bytes = std::vector<unsigned char>;

void zlib_decompress(const bytes& in, bytes& out, int window_bits) {
    if (out.empty()) return;  // as the installer, which never decodes an empty file
    z_stream z{};
    inflateInit2(&z, -window_bits);
    z.next_in = const_cast<unsigned char*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("inflate");
    inflateEnd(&z);
}

// Chunk by chunk, as the installer asks for them.
void our_decompress(const bytes& in, bytes& out) {
    if (decoder::decode_file(in.data(), in.size(), out.data(), out.size()) < 0)
        throw std::runtime_error("decode_file");
}

template <typename Compress>
void run_compression(benchmark::State& state, Compress compress) {
    std::size_t compressed = 0;
    for (auto _ : state) {
        compressed = 0;
        for (const auto& f : corpus()) compressed += compress(f.bytes).size();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus_bytes()));
    state.counters["ratio"] = static_cast<double>(compressed) / static_cast<double>(corpus_bytes());
    state.counters["compressed"] = static_cast<double>(compressed);
}

void BM_compress_ours(benchmark::State& state) {
    const int level = static_cast<int>(state.range(0));
    run_compression(state, [level](const bytes& b) { return encoder::compress(b, level); });
}
BENCHMARK(BM_compress_ours)->Arg(1)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_compress_zlib(benchmark::State& state) {
    const int level = static_cast<int>(state.range(0));
    const int window_bits = static_cast<int>(state.range(1));
    run_compression(state, [=](const bytes& b) { return bench::zlib_deflate(b, level, window_bits); });
}
BENCHMARK(BM_compress_zlib)
    ->Args({6, 13})
    ->Args({9, 13})
    ->Args({6, 15})
    ->Args({9, 15})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

template <typename Decompress>
void run_decompression(benchmark::State& state, const std::vector<bytes>& packed, Decompress decompress) {
    std::vector<bytes> outputs;
    for (const auto& f : corpus()) outputs.emplace_back(f.bytes.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < packed.size(); ++i) decompress(packed[i], outputs[i]);
    }
    for (std::size_t i = 0; i < packed.size(); ++i) {
        if (outputs[i] != corpus()[i].bytes)
            state.SkipWithError("decompressed bytes differ from the original");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * corpus_bytes()));
}

void BM_decompress_ours(benchmark::State& state) {
    std::vector<bytes> packed;
    for (const auto& f : corpus())
        packed.push_back(encoder::compress(f.bytes, encoder::ENCODER_LEVEL_DEFAULT));
    run_decompression(state, packed, our_decompress);
}
BENCHMARK(BM_decompress_ours)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_decompress_zlib(benchmark::State& state) {
    const int window_bits = static_cast<int>(state.range(0));
    std::vector<bytes> packed;
    for (const auto& f : corpus()) packed.push_back(bench::zlib_deflate(f.bytes, 6, window_bits));
    run_decompression(state, packed,
                      [=](const bytes& in, bytes& out) { zlib_decompress(in, out, window_bits); });
}
BENCHMARK(BM_decompress_zlib)->Arg(13)->Arg(15)->Unit(benchmark::kMillisecond)->MinTime(1.0);

#if BENCH_HAVE_LIBDEFLATE
void BM_compress_libdeflate(benchmark::State& state) {
    const int level = static_cast<int>(state.range(0));
    run_compression(state, [level](const bytes& b) { return bench::libdeflate_compress(b, level); });
}
BENCHMARK(BM_compress_libdeflate)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_decompress_libdeflate(benchmark::State& state) {
    std::vector<bytes> packed;
    for (const auto& f : corpus()) packed.push_back(bench::libdeflate_compress(f.bytes, 6));
    run_decompression(state, packed, [](const bytes& in, bytes& out) {
        if (!bench::libdeflate_decompress(in, out)) throw std::runtime_error("libdeflate_deflate_decompress");
    });
}
BENCHMARK(BM_decompress_libdeflate)->Unit(benchmark::kMillisecond)->MinTime(1.0);
#endif

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::fprintf(stderr, "corpus: %zu files, %zu bytes\n", corpus().size(), corpus_bytes());
    if (!bench::BENCH_LIBDEFLATE)
        std::fprintf(stderr, "libdeflate: not found at build time (Debian: libdeflate-dev), left out\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
