// Decoder cost by instruction count, ours against inflate and libdeflate, for a shared machine without
// hardware counters. `decode_count pack FILE` compresses the corpus once with each codec (ours at the
// default level, raw deflate level 6 with an 8 KiB window, libdeflate's own compressor at level 6 when the
// build found it) into FILE; `decode_count ours|zlib|libdeflate FILE` decodes every file of it once in
// decode_all and checks the bytes against the corpus. Under
//   valgrind --tool=callgrind --toggle-collect=decode_all bench/bin/decode_count ours FILE
// the events counted are the decoding alone; it prints the output bytes to divide them by.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "corpus.h"
#include "decoder/decode_file.h"
#include "encoder/encoder.h"
#include "libdeflate_side.h"

namespace {

using bytes = std::vector<unsigned char>;

struct packed_file {
    bytes ours;
    bytes zlib;
    bytes libdeflate;  // empty when the build has no libdeflate
};

enum class codec_kind { ours, zlib, libdeflate };

void put_bytes(std::ofstream& out, const bytes& b) {
    const std::uint64_t size = b.size();
    out.write(reinterpret_cast<const char*>(&size), sizeof size);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

bool get_bytes(const bytes& all, std::size_t& at, bytes& b) {
    std::uint64_t size = 0;
    if (all.size() - at < sizeof size) return false;
    std::memcpy(&size, all.data() + at, sizeof size);
    at += sizeof size;
    if (all.size() - at < size) return false;
    b.assign(all.begin() + static_cast<std::ptrdiff_t>(at),
             all.begin() + static_cast<std::ptrdiff_t>(at + size));
    at += size;
    return true;
}

// Out of line and by this name, so that callgrind can count it alone.
__attribute__((noinline)) void decode_all(codec_kind kind, const std::vector<packed_file>& packed,
                                          std::vector<bytes>& outputs) {
    for (std::size_t i = 0; i < packed.size(); ++i) {
        bytes& out = outputs[i];
        if (out.empty()) continue;
        if (kind == codec_kind::libdeflate) {
            if (!bench::libdeflate_decompress(packed[i].libdeflate, out)) std::exit(3);
            continue;
        }
        if (kind == codec_kind::ours) {
            if (decoder::decode_file(packed[i].ours.data(), packed[i].ours.size(), out.data(), out.size()) <
                0)
                std::exit(3);
            continue;
        }
        z_stream z{};
        inflateInit2(&z, -13);
        z.next_in = const_cast<unsigned char*>(packed[i].zlib.data());
        z.avail_in = static_cast<uInt>(packed[i].zlib.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) std::exit(3);
        inflateEnd(&z);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: decode_count pack|ours|zlib|libdeflate FILE\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "libdeflate" && !bench::BENCH_LIBDEFLATE) {
        std::fprintf(stderr, "decode_count: built without libdeflate (Debian: libdeflate-dev)\n");
        return 2;
    }
    const auto& files = bench::corpus();
    if (mode == "pack") {
        std::ofstream out(argv[2], std::ios::binary);
        for (const auto& f : files) {
            put_bytes(out, encoder::compress(f.bytes, encoder::ENCODER_LEVEL_DEFAULT));
            put_bytes(out, bench::zlib_deflate(f.bytes, 6, 13));
            put_bytes(out, bench::BENCH_LIBDEFLATE ? bench::libdeflate_compress(f.bytes, 6) : bytes{});
        }
        return out ? 0 : 1;
    }
    std::ifstream in(argv[2], std::ios::binary);
    const bytes all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<packed_file> packed(files.size());
    std::vector<bytes> outputs;
    std::size_t at = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!get_bytes(all, at, packed[i].ours) || !get_bytes(all, at, packed[i].zlib) ||
            !get_bytes(all, at, packed[i].libdeflate)) {
            std::fprintf(stderr, "decode_count: %s does not match the corpus; pack it again\n", argv[2]);
            return 2;
        }
        outputs.emplace_back(files[i].bytes.size());
    }
    decode_all(mode == "ours"   ? codec_kind::ours
               : mode == "zlib" ? codec_kind::zlib
                                : codec_kind::libdeflate,
               packed, outputs);
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (outputs[i] != files[i].bytes) {
            std::fprintf(stderr, "decode_count: %s decodes wrongly\n", files[i].path.c_str());
            return 1;
        }
    }
    std::printf("%zu output bytes\n", bench::corpus_bytes());
    return 0;
}
