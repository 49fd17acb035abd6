#include "corpus.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace bench {
namespace {

std::vector<unsigned char> read_all(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<corpus_file> load() {
    namespace fs = std::filesystem;
    const char* limit_text = std::getenv("BENCH_CORPUS_MB");
    const std::size_t limit = (limit_text != nullptr ? std::strtoull(limit_text, nullptr, 10) : 32) << 20;

    std::vector<fs::path> headers;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator("/usr/include", ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (it->is_regular_file(ec) && !it->is_symlink(ec)) headers.push_back(it->path());
    }
    std::sort(headers.begin(), headers.end());

    std::vector<corpus_file> files;
    std::size_t total = 0;
    for (const auto& path : headers) {
        if (limit != 0 && total >= limit) break;
        files.push_back({path.string(), read_all(path)});
        total += files.back().bytes.size();
    }
    for (const char* binary : {"/usr/bin/cmake", "/usr/bin/gdb", "/usr/bin/perl"}) {
        if (fs::is_regular_file(binary, ec)) files.push_back({binary, read_all(binary)});
    }
    return files;
}

}  // namespace

const std::vector<corpus_file>& corpus() {
    static const std::vector<corpus_file> files = load();
    return files;
}

std::size_t corpus_bytes() {
    std::size_t total = 0;
    for (const auto& f : corpus()) total += f.bytes.size();
    return total;
}

std::vector<unsigned char> zlib_deflate(const std::vector<unsigned char>& in, int level, int window_bits) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -window_bits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::vector<unsigned char> out(deflateBound(&z, in.size()));
    z.next_in = const_cast<unsigned char*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

}  // namespace bench
