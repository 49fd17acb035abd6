// Code lengths the decoder would reject or that waste bits: the 16-bit limit, complete codes (the Kraft
// sum exactly 1), optimality against a plain Huffman code when the limit does not bind, and canonical
// codes that are prefix-free and ordered as the decoder assigns them.
#include "encoder/code_lengths.h"

#include <gtest/gtest.h>

#include <functional>
#include <queue>
#include <random>
#include <vector>

#include "encoder/canonical_codes.h"

namespace {

using encoder::build_code_lengths;
using encoder::code_length_scratch;

// Sum of 2^(16 - length) over the used symbols; a complete code gives exactly 2^16.
std::uint64_t kraft_total(const std::vector<std::uint8_t>& lengths) {
    std::uint64_t total = 0;
    for (const std::uint8_t length : lengths) {
        if (length != 0) total += std::uint64_t{1} << (16 - length);
    }
    return total;
}

std::uint64_t weighted_bits(const std::vector<std::uint32_t>& frequencies,
                            const std::vector<std::uint8_t>& lengths) {
    std::uint64_t bits = 0;
    for (std::size_t s = 0; s < frequencies.size(); ++s) bits += std::uint64_t{frequencies[s]} * lengths[s];
    return bits;
}

struct huffman_result {
    std::uint64_t bits;  // the sum of all merged weights
    int depth;           // of the tree this merge order builds
};

// An unlimited Huffman code, built with a heap of (weight, depth).
huffman_result huffman(const std::vector<std::uint32_t>& frequencies) {
    using node = std::pair<std::uint64_t, int>;
    std::priority_queue<node, std::vector<node>, std::greater<>> heap;
    for (const std::uint32_t f : frequencies) {
        if (f != 0) heap.push({f, 0});
    }
    huffman_result result{0, 0};
    while (heap.size() > 1) {
        const node a = heap.top();
        heap.pop();
        const node b = heap.top();
        heap.pop();
        result.bits += a.first + b.first;
        heap.push({a.first + b.first, std::max(a.second, b.second) + 1});
    }
    result.depth = heap.empty() ? 0 : heap.top().second;
    return result;
}

std::uint64_t huffman_bits(const std::vector<std::uint32_t>& frequencies) {
    return huffman(frequencies).bits;
}

struct lengths_result {
    int used;
    std::vector<std::uint8_t> lengths;
};

lengths_result lengths_for(const std::vector<std::uint32_t>& frequencies, int limit) {
    static code_length_scratch scratch;
    lengths_result result{0, std::vector<std::uint8_t>(frequencies.size())};
    result.used = build_code_lengths(frequencies.data(), static_cast<int>(frequencies.size()), limit,
                                     result.lengths.data(), scratch);
    return result;
}

TEST(CodeLengths, OptimalAndCompleteWhenTheLimitDoesNotBind) {
    std::mt19937 engine(5);
    int compared = 0;
    for (int trial = 0; trial < 200; ++trial) {
        std::vector<std::uint32_t> frequencies(2 + engine() % 509);
        for (auto& f : frequencies) f = engine() % 4 == 0 ? 0 : 1 + engine() % 1000;
        frequencies[0] = 1;
        frequencies[1] = 1;
        const auto result = lengths_for(frequencies, 16);
        EXPECT_EQ(kraft_total(result.lengths), std::uint64_t{1} << 16);
        const huffman_result reference = huffman(frequencies);
        // Where an optimal tree fits in 16 bits, the limited code must cost exactly as much.
        if (reference.depth > 16) continue;
        EXPECT_EQ(weighted_bits(frequencies, result.lengths), reference.bits);
        ++compared;
    }
    EXPECT_GT(compared, 100);
}

TEST(CodeLengths, FibonacciWeightsAreHeldToTheLimit) {
    // Fibonacci weights make a Huffman code as deep as there are symbols.
    std::vector<std::uint32_t> frequencies(30);
    frequencies[0] = 1;
    frequencies[1] = 1;
    for (std::size_t i = 2; i < frequencies.size(); ++i)
        frequencies[i] = frequencies[i - 1] + frequencies[i - 2];
    for (const int limit : {16, 9, 5}) {
        const auto result = lengths_for(frequencies, limit);
        EXPECT_EQ(result.used, 30);
        for (const std::uint8_t length : result.lengths) {
            EXPECT_GE(length, 1);
            EXPECT_LE(length, limit);
        }
        EXPECT_EQ(kraft_total(result.lengths), std::uint64_t{1} << 16) << "limit " << limit;
        EXPECT_GT(weighted_bits(frequencies, result.lengths), huffman_bits(frequencies));
    }
}

TEST(CodeLengths, LimitedCodeBeatsEveryOtherLimitedCodeOnSmallAlphabets) {
    // Exhaustive check: over all length assignments of 5 symbols within 3 bits, none is cheaper.
    const std::vector<std::uint32_t> frequencies = {1, 1, 2, 3, 50};
    const auto result = lengths_for(frequencies, 3);
    std::uint64_t best = ~std::uint64_t{0};
    std::vector<std::uint8_t> trial(5);
    for (int code = 0; code < 3 * 3 * 3 * 3 * 3; ++code) {
        int rest = code;
        for (auto& length : trial) {
            length = static_cast<std::uint8_t>(1 + rest % 3);
            rest /= 3;
        }
        if (kraft_total(trial) <= std::uint64_t{1} << 16)
            best = std::min(best, weighted_bits(frequencies, trial));
    }
    EXPECT_EQ(weighted_bits(frequencies, result.lengths), best);
}

TEST(CodeLengths, FewerThanTwoSymbolsGetNoLengths) {
    auto result = lengths_for({0, 0, 7, 0}, 16);
    EXPECT_EQ(result.used, 1);
    EXPECT_EQ(kraft_total(result.lengths), 0u) << "a lone length would be rejected by the decoder";
    result = lengths_for({0, 0, 0}, 16);
    EXPECT_EQ(result.used, 0);
    result = lengths_for({0, 9, 0, 1}, 16);
    EXPECT_EQ(result.lengths, (std::vector<std::uint8_t>{0, 1, 0, 1}));
}

TEST(CanonicalCodes, ShorterFirstThenSymbolOrder) {
    const std::vector<std::uint8_t> lengths = {3, 0, 2, 3, 2, 3, 3};
    std::vector<std::uint16_t> codes(lengths.size());
    encoder::assign_canonical_codes(lengths.data(), static_cast<int>(lengths.size()), codes.data());
    // Length 2: symbols 2, 4 -> 00, 01; length 3: symbols 0, 3, 5, 6 -> 100, 101, 110, 111.
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{4, 0, 0, 5, 1, 6, 7}));
}

TEST(CanonicalCodes, SixteenBitCodesArePrefixFree) {
    std::vector<std::uint32_t> frequencies(40);
    frequencies[0] = 1;
    frequencies[1] = 1;
    for (std::size_t i = 2; i < frequencies.size(); ++i)
        frequencies[i] = frequencies[i - 1] + frequencies[i - 2] + 1;
    const auto result = lengths_for(frequencies, 16);
    std::vector<std::uint16_t> codes(frequencies.size());
    encoder::assign_canonical_codes(result.lengths.data(), static_cast<int>(codes.size()), codes.data());
    for (std::size_t a = 0; a < codes.size(); ++a) {
        for (std::size_t b = 0; b < codes.size(); ++b) {
            if (a == b || result.lengths[a] > result.lengths[b]) continue;
            const int shift = result.lengths[b] - result.lengths[a];
            EXPECT_NE(codes[b] >> shift, codes[a]) << "code of " << a << " is a prefix of " << b;
        }
    }
}

}  // namespace
