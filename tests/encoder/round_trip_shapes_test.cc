// Lost or corrupted data on adversarial shapes: sizes at the window and chunk edges, matches at the
// window's reach, degenerate alphabets, and parses that fill blocks to the symbol limit.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "encoder/encoder.h"
#include "round_trip.h"

namespace {

using encoder_tests::expect_round_trip;
using bytes = std::vector<unsigned char>;

bytes random_bytes(std::size_t size, unsigned seed) {
    std::mt19937 engine(seed);
    bytes out(size);
    for (auto& b : out) b = static_cast<unsigned char>(engine());
    return out;
}

bytes periodic(std::size_t period, std::size_t size) {
    const bytes pattern = random_bytes(period, static_cast<unsigned>(period));
    bytes out(size);
    for (std::size_t i = 0; i < size; ++i) out[i] = pattern[i % period];
    return out;
}

bytes text(std::size_t size) {
    static const char* const words[] = {"install", "the ",    "directory ", "of ",
                                        "files\n", "window ", "a ",         "match "};
    std::mt19937 engine(7);
    std::string out;
    while (out.size() < size) out += words[engine() % 8];
    out.resize(size);
    return bytes(out.begin(), out.end());
}

void every_level(const bytes& data, const std::string& what) {
    for (int level = encoder::ENCODER_LEVEL_MIN; level <= encoder::ENCODER_LEVEL_MAX; ++level) {
        expect_round_trip(data, level, what);
    }
}

TEST(RoundTripShapes, TinyInputs) {
    EXPECT_TRUE(encoder::compress({}, encoder::ENCODER_LEVEL_DEFAULT).empty());
    every_level(bytes{0x41}, "one byte");
    every_level(bytes{0, 0}, "two zero bytes");
    every_level(bytes{1, 2, 3}, "three bytes");
}

TEST(RoundTripShapes, OneRepeatedByte) {
    const bytes data(1 << 20, 0x5A);
    every_level(data, "1 MiB of one byte");
    // 4096 matches of one length and distance: at most one bit each, fewer once a block holds only them
    // and goes in single-code form.
    EXPECT_LT(encoder::compress(data, encoder::ENCODER_LEVEL_DEFAULT).size(), 4096u / 8 + 100);
}

TEST(RoundTripShapes, RandomBytes) {
    every_level(random_bytes(100000, 1), "random bytes");
}

TEST(RoundTripShapes, RunsBetweenNoise) {
    bytes data;
    std::mt19937 engine(3);
    while (data.size() < 200000) {
        const std::size_t run = engine() % 2000;
        data.insert(data.end(), run, static_cast<unsigned char>(engine()));
        for (int i = 0; i < 50; ++i) data.push_back(static_cast<unsigned char>(engine()));
    }
    every_level(data, "long runs");
}

TEST(RoundTripShapes, PeriodsAroundTheWindow) {
    // 8192 bytes back is the farthest a match reaches; one more must not be used.
    for (const std::size_t period : {8191u, 8192u, 8193u}) {
        every_level(periodic(period, 5 * period + 17), "period " + std::to_string(period));
    }
    const bytes reachable = periodic(8192, 8 * 8192);
    EXPECT_LT(encoder::compress(reachable, encoder::ENCODER_LEVEL_DEFAULT).size(), 9000u)
        << "a period of exactly 8192 bytes lies within the window";
}

TEST(RoundTripShapes, Text) {
    every_level(text(300000), "text");
}

TEST(RoundTripShapes, SizesAtChunkEdges) {
    for (const std::size_t size : {8191u, 8192u, 8193u, 16384u, 16385u}) {
        every_level(random_bytes(size, static_cast<unsigned>(size)), "random " + std::to_string(size));
        every_level(text(size), "text " + std::to_string(size));
    }
}

TEST(RoundTripShapes, BlocksFullToTheSymbolLimit) {
    // Random bytes parse to one literal per byte: exactly 65535 symbols twice over, and once more plus one.
    for (const std::size_t size : {65535u * 2, 65535u * 3 + 1}) {
        const bytes data = random_bytes(size, 11);
        expect_round_trip(data, 1, "random " + std::to_string(size));
        expect_round_trip(data, encoder::ENCODER_LEVEL_DEFAULT, "random " + std::to_string(size));
    }
}

TEST(RoundTripShapes, NearOptimalParseAcrossStretches) {
    // The highest level parses 32768-byte stretches and skips its search inside matches of the longest
    // length: runs of one byte straddle the stretch ends, and a short period ends the input with matches
    // of the longest length one after another.
    bytes data = text(140000);
    for (const std::size_t at : {32768u - 100, 65536u - 300, 98304u - 1}) {
        std::fill_n(data.begin() + static_cast<std::ptrdiff_t>(at), 700, static_cast<unsigned char>('#'));
    }
    const bytes tail = periodic(5, 40000);
    data.insert(data.end(), tail.begin(), tail.end());
    expect_round_trip(data, encoder::ENCODER_LEVEL_MAX, "text with runs across stretch ends");
}

TEST(RoundTripShapes, LevelsOutsideTheRangeAreClamped) {
    const bytes data = text(20000);
    EXPECT_EQ(encoder::compress(data, 0), encoder::compress(data, encoder::ENCODER_LEVEL_MIN));
    EXPECT_EQ(encoder::compress(data, 42), encoder::compress(data, encoder::ENCODER_LEVEL_MAX));
    expect_round_trip(data, -3, "text at level -3");
}

}  // namespace
