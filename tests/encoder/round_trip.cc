// Round-trip helpers. The decoder is driven exactly as the installer drives it (decode_file, through the
// one chunk loop).
#include "round_trip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "decoder/decode_file.h"
#include "encoder/encoder.h"

namespace encoder_tests {

std::optional<std::vector<unsigned char>> decode_stream(std::span<const unsigned char> compressed,
                                                        std::size_t size) {
    std::vector<unsigned char> out(size);
    if (decoder::decode_file(compressed.data(), compressed.size(), out.data(), size) != 0)
        return std::nullopt;
    return out;
}

void expect_round_trip(std::span<const unsigned char> data, int level, const std::string& what) {
    const std::vector<unsigned char> compressed = encoder::compress(data, level);
    if (data.empty()) return;  // a file of size 0 never reaches the decoder
    const auto restored = decode_stream(compressed, data.size());
    ASSERT_TRUE(restored.has_value()) << what << " at level " << level << ": the decoder rejected the stream";
    const auto mismatch = std::mismatch(data.begin(), data.end(), restored->begin());
    EXPECT_TRUE(mismatch.first == data.end())
        << what << " at level " << level << ": first wrong byte at offset " << (mismatch.first - data.begin())
        << " of " << data.size();
}

std::vector<std::pair<std::string, std::vector<unsigned char>>> sample_files(const std::string& dir,
                                                                             const std::string& suffix,
                                                                             std::size_t limit,
                                                                             std::size_t max_size) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error) || it->file_size(error) > max_size || it->file_size(error) == 0)
            continue;
        const std::string name = it->path().string();
        if (name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    if (names.size() > limit) names.resize(limit);
    std::vector<std::pair<std::string, std::vector<unsigned char>>> files;
    for (const std::string& name : names) {
        std::ifstream in(name, std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        if (in.bad() || bytes.empty()) continue;
        files.emplace_back(name, std::move(bytes));
    }
    return files;
}

}  // namespace encoder_tests
