// The binary-tree match search of the near-optimal parse: a match it reports that is not really there, or
// reaches past the window, corrupts the stream; a longest match it misses, when its search is not cut
// short, costs size. Both are checked against a plain search of every earlier position.
#include "encoder/match_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

using encoder::tree_match;

// Longest match at pos among the positions at most 8192 bytes back, by brute force.
std::uint32_t longest_by_scan(const std::vector<unsigned char>& data, std::uint32_t pos) {
    const std::uint32_t limit = std::min<std::uint32_t>(decoder::FORMAT_MAX_MATCH, data.size() - pos);
    std::uint32_t best = 0;
    const std::uint32_t oldest = pos > decoder::FORMAT_WINDOW_SIZE ? pos - decoder::FORMAT_WINDOW_SIZE : 0;
    for (std::uint32_t from = oldest; from < pos; ++from) {
        std::uint32_t n = 0;
        while (n < limit && data[from + n] == data[pos + n]) ++n;
        best = std::max(best, n);
    }
    return best >= decoder::FORMAT_MIN_MATCH ? best : 0;
}

TEST(MatchTree, ReportsTrueMatchesAndTheLongestWithinTheWindow) {
    // Few distinct bytes with repeats at every distance, the window passed several times over, and a
    // stretch of one byte for matches of the longest length.
    std::mt19937 engine(5);
    std::vector<unsigned char> data;
    while (data.size() < 12000) {
        if (engine() % 4 == 0 && data.size() > 9000) {
            const std::size_t from = data.size() - 1 - engine() % 9000;
            const std::size_t length = 3 + engine() % 40;
            for (std::size_t i = 0; i < length; ++i) data.push_back(data[from + i]);
        } else {
            data.push_back(static_cast<unsigned char>('a' + engine() % 3));
        }
    }
    data.insert(data.end(), 600, 'z');
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto tree = std::make_unique<encoder::match_tree>();
    encoder::start_match_tree(*tree, data.data(), size);
    std::vector<tree_match> found(encoder::ENCODER_MAX_MATCHES_PER_POSITION);
    for (std::uint32_t pos = 0; pos + decoder::FORMAT_MIN_MATCH <= size; ++pos) {
        const int count =
            encoder::advance_match_tree(*tree, pos, decoder::FORMAT_MAX_MATCH, 1u << 20, found.data());
        std::uint32_t previous = 0;
        for (int k = 0; k < count; ++k) {
            const std::uint32_t length = found[k].length;
            const std::uint32_t back = found[k].distance + 1u;
            ASSERT_GT(length, previous) << "at " << pos;
            ASSERT_LE(back, std::min(pos, decoder::FORMAT_WINDOW_SIZE)) << "at " << pos;
            ASSERT_TRUE(
                std::equal(data.begin() + pos, data.begin() + pos + length, data.begin() + pos - back))
                << "at " << pos << ": no match of " << length << " bytes " << back << " back";
            previous = length;
        }
        ASSERT_EQ(previous, longest_by_scan(data, pos)) << "at " << pos;
    }
}

}  // namespace
