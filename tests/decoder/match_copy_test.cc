// Matches: overlapping copies, the longest match at the shortest distance, reaches before the first byte,
// the full 8192-byte distance, and matches cut by the end of a chunk; plus random token lists against a
// plain expansion of the same list.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "bit_writer.h"
#include "codec_fixture.h"
#include "stream_builder.h"

namespace {

using decoder_test::bit_writer;
using decoder_test::decode_chunk_by_chunk;
using decoder_test::expand;
using decoder_test::literal;
using decoder_test::match;
using decoder_test::token;

std::vector<std::uint8_t> stream_of(const std::vector<token>& tokens) {
    bit_writer w;
    decoder_test::put_block(w, tokens);
    return w.bytes();
}

TEST(MatchCopy, ClassZeroWithTheLongestMatchRepeatsThePreviousByte256Times) {
    const std::vector<token> tokens{literal('k'), match(256, 1), literal('e')};
    const auto file = decode_chunk_by_chunk(stream_of(tokens), 258);
    std::vector<std::uint8_t> expected(257, 'k');
    expected.push_back('e');
    EXPECT_EQ(file.bytes, expected);
}

TEST(MatchCopy, OverlappingMatchRepeatsThePattern) {
    const std::vector<token> tokens{literal('a'), literal('b'), match(7, 2)};
    const auto file = decode_chunk_by_chunk(stream_of(tokens), 9);
    EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.end()), "ababababa");
}

TEST(MatchCopy, ReachBeforeTheFirstByteReadsZeros) {
    const std::vector<token> tokens{match(5, 3), literal('q'), match(6, 4), match(3, 8192)};
    const auto file = decode_chunk_by_chunk(stream_of(tokens), 15);
    EXPECT_EQ(file.bytes, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 'q', 0, 0, 0, 'q', 0, 0, 0, 0, 0}));
    EXPECT_EQ(file.bytes, expand(tokens));
}

TEST(MatchCopy, FullDistanceReachesTheByteOneWindowBack) {
    std::vector<token> tokens;
    std::mt19937 rng(7);
    for (int i = 0; i < 9000; ++i) tokens.push_back(literal(static_cast<std::uint8_t>(rng())));
    tokens.push_back(match(256, 8192));
    tokens.push_back(match(100, 8191));
    const auto expected = expand(tokens);
    EXPECT_EQ(decode_chunk_by_chunk(stream_of(tokens), expected.size()).bytes, expected);
}

class ChunkBoundary : public decoder_test::codec_fixture {};

TEST_F(ChunkBoundary, MatchCutByTheChunkEndResumesFromTheSameSourceWithTheSameCount) {
    // 8150 literals, then a 200-byte match 60 back: 42 bytes in the first chunk, 158 in the second.
    std::vector<token> tokens;
    for (int i = 0; i < 8150; ++i) tokens.push_back(literal(static_cast<std::uint8_t>(i * 7 + i / 256)));
    tokens.push_back(match(200, 60));
    tokens.push_back(literal('!'));
    const auto expected = expand(tokens);
    use_input(stream_of(tokens));

    std::vector<std::uint8_t> first;
    ASSERT_EQ(decode(8192, first), 0);
    EXPECT_EQ(ctx->copy_remaining, 158);
    EXPECT_EQ(ctx->copy_from, (8150u - 60 + 42) & 8191);
    const auto* input_after_first = input.next;

    std::vector<std::uint8_t> second;
    ASSERT_EQ(decode(expected.size() - 8192, second), 0);
    first.insert(first.end(), second.begin(), second.end());
    EXPECT_EQ(first, expected);
    EXPECT_EQ(ctx->copy_remaining, -1);
    EXPECT_GE(input.next, input_after_first);
}

TEST(MatchCopy, MatchEndingExactlyAtTheChunkEndLeavesNothingPending) {
    std::vector<token> tokens{literal(1)};
    for (int i = 0; i < 31; ++i) tokens.push_back(match(256, 1 + i));
    tokens.push_back(match(255, 3));  // 1 + 31 * 256 + 255 = 8192
    tokens.push_back(literal(9));
    const auto expected = expand(tokens);
    ASSERT_EQ(expected.size(), 8193u);
    const auto file = decode_chunk_by_chunk(stream_of(tokens), expected.size());
    EXPECT_EQ(file.bytes, expected);
    EXPECT_EQ(file.results, (std::vector<int>{0, 0}));
}

// Random literals and matches in several blocks, against the plain expansion, decoded as the installer
// asks for a file. Catches any slip of canonical codes, distances, window wrap or chunk resumption.
// Random literals and matches in a few blocks; `all` receives every token.
std::vector<std::uint8_t> random_stream(std::mt19937& rng, std::vector<token>& all) {
    bit_writer w;
    const int blocks = 1 + static_cast<int>(rng() % 4);
    std::size_t produced = 0;
    for (int b = 0; b < blocks; ++b) {
        std::vector<token> tokens;
        const int count = 1 + static_cast<int>(rng() % 3000);
        const unsigned alphabet = 1 + rng() % 256;
        for (int i = 0; i < count; ++i) {
            if (rng() % 3 != 0) {
                tokens.push_back(literal(static_cast<std::uint8_t>(rng() % alphabet)));
                ++produced;
                continue;
            }
            // Mostly distances within what was produced, now and then beyond it.
            const unsigned length = 3 + rng() % 254;
            const unsigned reach = static_cast<unsigned>(std::min<std::size_t>(produced + 16, 8192));
            tokens.push_back(match(length, 1 + rng() % reach));
            produced += length;
        }
        decoder_test::put_block(w, tokens);
        all.insert(all.end(), tokens.begin(), tokens.end());
    }
    return w.bytes();
}

TEST(MatchCopy, RandomTokenListsDecodeToTheirExpansion) {
    std::mt19937 rng(20240607);
    for (int round = 0; round < 40; ++round) {
        std::vector<token> all;
        const auto stream = random_stream(rng, all);
        const auto expected = expand(all);
        const auto file = decode_chunk_by_chunk(stream, expected.size());
        const auto diff = std::mismatch(file.bytes.begin(), file.bytes.end(), expected.begin());
        ASSERT_EQ(file.bytes, expected) << "round " << round << " first difference at "
                                        << (diff.first - file.bytes.begin()) << " of " << expected.size();
        for (int r : file.results) ASSERT_EQ(r, 0) << "round " << round;
    }
}

// The fast path against the careful one it stands in for: the same bytes, results and input used, on
// sound streams and on the same streams with bits flipped or cut short.
TEST(MatchCopy, TheFastPathDecodesExactlyAsTheCarefulPath) {
    std::mt19937 rng(20261208);
    for (int round = 0; round < 60; ++round) {
        std::vector<token> all;
        auto stream = random_stream(rng, all);
        const std::size_t size = expand(all).size() + rng() % 3;
        if (round % 3 == 1) stream[rng() % stream.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        if (round % 3 == 2) stream.resize(rng() % stream.size());
        const auto fast = decode_chunk_by_chunk(stream, size);
        decoder::codec_fast_path = false;
        const auto careful = decode_chunk_by_chunk(stream, size);
        decoder::codec_fast_path = true;
        ASSERT_EQ(fast.bytes, careful.bytes) << "round " << round;
        ASSERT_EQ(fast.results, careful.results) << "round " << round;
        ASSERT_EQ(fast.input_used, careful.input_used) << "round " << round;
    }
}

// Complete codes with a tail of long codes: symbols 8 bits and 9, then 10 to 16 bits for `tail`; classes
// 1 to 13 bits. They send some symbols and every class from 8 on past the lookup tables.
decoder_test::block_codes long_tail_codes() {
    decoder_test::block_codes codes;
    codes.symbol_lengths.assign(510, 9);
    const unsigned tail[] = {7, 100, 255, 300, 301, 400, 450, 509};
    const std::uint8_t tail_lengths[] = {10, 11, 12, 13, 14, 15, 16, 16};
    for (int i = 0; i < 8; ++i) codes.symbol_lengths[tail[i]] = tail_lengths[i];
    for (unsigned s : {0u, 1u, 32u, 101u, 256u, 257u, 258u, 259u, 260u}) codes.symbol_lengths[s] = 8;
    codes.class_lengths = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13};
    return codes;
}

// The bulk path against the careful one where its word copies are most at risk: sources one to nine bytes
// back, sources just ahead in the previous chunk's history, matches ending beside the chunk's end; with
// codes longer than its tables, so that it hands over to the careful path mid-stream and takes over again.
TEST(MatchCopy, BulkPathDecodesShortAndFarReachesAsTheCarefulPath) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 12; ++round) {
        bit_writer w;
        std::vector<token> all;
        for (int b = 0; b < 3; ++b) {
            std::vector<token> tokens;
            for (int i = 0; i < 4000; ++i) {
                const unsigned kind = rng() % 8;
                if (kind < 3) {
                    tokens.push_back(literal(static_cast<std::uint8_t>(rng())));
                    continue;
                }
                const unsigned length = kind == 3 ? 256 : 3 + rng() % (kind < 6 ? 14 : 254);
                const unsigned back = kind % 2 == 0 ? 1 + rng() % 9 : 8192 - rng() % 12;
                tokens.push_back(match(length, back));
            }
            if (round % 2 == 1) {
                decoder_test::put_block(w, tokens, static_cast<std::uint32_t>(tokens.size()),
                                        long_tail_codes());
            } else {
                decoder_test::put_block(w, tokens);
            }
            all.insert(all.end(), tokens.begin(), tokens.end());
        }
        const auto expected = expand(all);
        const auto fast = decode_chunk_by_chunk(w.bytes(), expected.size());
        decoder::codec_fast_path = false;
        const auto careful = decode_chunk_by_chunk(w.bytes(), expected.size());
        decoder::codec_fast_path = true;
        ASSERT_EQ(fast.bytes, expected) << "round " << round;
        ASSERT_EQ(careful.bytes, expected) << "round " << round;
        ASSERT_EQ(fast.input_used, careful.input_used) << "round " << round;
    }
}

}  // namespace
