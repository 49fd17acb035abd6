// The block head, field by field: the worked example, the single-code forms of all three alphabets, zero
// runs of the length codes, the 2-bit zero run of the length-code list, and block sizes that wrap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bit_writer.h"
#include "codec_fixture.h"
#include "stream_builder.h"

namespace {

using decoder_test::bit_writer;
using decoder_test::codec_fixture;
using decoder_test::decode_chunk_by_chunk;
using decoder_test::put_length_code_list;
using decoder_test::put_single_class;
using decoder_test::put_single_length_code;
using decoder_test::put_single_symbol;
using decoder_test::put_single_symbol_block;

std::string text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(BlockFormat, WorkedExampleDecodesToAbcbcb) {
    const std::vector<std::uint8_t> stream{0x00, 0x04, 0x28, 0x05, 0x30, 0x11, 0x37, 0x91, 0x10, 0x11, 0xB0};
    const auto file = decode_chunk_by_chunk(stream, 6);
    EXPECT_EQ(text(file.bytes), "abcbcb");
    EXPECT_EQ(file.results, std::vector<int>{0});
}

TEST(BlockFormat, SingleLengthCodeGivesEveryListedSymbolTheSameLengthForNoBits) {
    // Length code 10 (length 8) alone: 256 lengths of 8 cost no bits and make each literal's code the byte.
    bit_writer w;
    w.put(5, 16);
    put_single_length_code(w, 10);
    w.put(256, 9);
    put_single_class(w);
    for (char c : std::string("Hello")) w.put(static_cast<std::uint8_t>(c), 8);
    EXPECT_EQ(text(decode_chunk_by_chunk(w.bytes(), 5).bytes), "Hello");
}

TEST(BlockFormat, SingleSymbolLiteralBlockConsumesNoBitsForItsSymbols) {
    // The second header starts right behind the first: any bit taken by the 100 symbols would shift it.
    bit_writer w;
    put_single_symbol_block(w, 100, 'x');
    put_single_symbol_block(w, 3, 'y');
    const auto file = decode_chunk_by_chunk(w.bytes(), 103);
    EXPECT_EQ(text(file.bytes), std::string(100, 'x') + "yyy");
}

TEST(BlockFormat, SingleDistanceClassCostsNoBitsButItsExtraBitsStillFollow) {
    using decoder_test::literal;
    using decoder_test::match;
    // Backs 3 and 4 are both class 2, whose one extra bit picks the distance.
    const std::vector<decoder_test::token> tokens{literal('a'), literal('b'), literal('c'), match(3, 3),
                                                  match(4, 4)};
    bit_writer w;
    decoder_test::put_block(w, tokens);
    EXPECT_EQ(text(decode_chunk_by_chunk(w.bytes(), 10).bytes), "abcabccabc");
}

// Symbol-length lists written by hand around the zero-run length codes.
TEST(DecodedZeroRuns, NineteenZerosTakeAShortRunOfEighteenAndOneSingleZero) {
    // Symbols 0 and 20 have length 1: lengths 1, 19 zeros, 1.
    bit_writer w;
    w.put(4, 16);
    put_length_code_list(w, 4, {1, 2, 0, 2});  // code 0 "0", code 1 "10", code 3 "11"
    w.put(21, 9);
    w.put(0b11, 2);  // symbol 0: length 1
    w.put(0b10, 2);  // code 1, k = 15: 18 zeros
    w.put(15, 4);
    w.put(0b0, 1);   // code 0: one zero
    w.put(0b11, 2);  // symbol 20: length 1
    put_single_class(w);
    w.put(0b0110, 4);  // symbols 0, 20, 20, 0
    EXPECT_EQ(decode_chunk_by_chunk(w.bytes(), 4).bytes, (std::vector<std::uint8_t>{0, 20, 20, 0}));
}

TEST(DecodedZeroRuns, LongRunCoversTwentyToFiveHundredAndThirtyOne) {
    // Symbols 0 and 1, a run of 20 + k zeros, then two more symbols, all of length 2.
    // Length codes 2 -> "0" and 4 (length 2) -> "1", with the 2-bit run skipping code 3.
    const auto stream = [](unsigned k) {
        const unsigned after_run = 2 + 20 + k;
        bit_writer w;
        w.put(4, 16);
        put_length_code_list(w, 5, {0, 0, 1, 1}, 1);
        w.put(after_run + 2, 9);
        w.put(0b11, 2);  // symbols 0 and 1
        w.put(0b0, 1);   // the run
        w.put(k, 9);
        w.put(0b11, 2);  // symbols after_run and after_run + 1
        put_single_class(w);
        w.put(0b00011011, 8);  // the four symbols in code order
        return w.bytes();
    };
    EXPECT_EQ(decode_chunk_by_chunk(stream(0), 4).bytes, (std::vector<std::uint8_t>{0, 1, 22, 23}));

    // k = 486: 506 zeros put the last two at 508 and 509, matches of 255 and 256 bytes one byte back.
    std::vector<std::uint8_t> expected{0, 1};
    expected.resize(2 + 255 + 256, 1);
    const auto file = decode_chunk_by_chunk(stream(486), expected.size());
    EXPECT_EQ(file.bytes, expected);
    EXPECT_EQ(file.results, std::vector<int>{0});
}

TEST(LengthCodeZeroRun, TwoBitsFollowTheThirdLengthEvenWhenTheCountIsThree) {
    // Lengths 1, 0, 1 and then zero-run bits 11; a reader that skipped them would take 11 as the
    // start of the symbol-length count.
    bit_writer w;
    w.put(2, 16);
    put_length_code_list(w, 3, {1, 0, 1}, 3);
    put_single_symbol(w, 'Q');
    put_single_class(w);
    EXPECT_EQ(text(decode_chunk_by_chunk(w.bytes(), 2).bytes), "QQ");
}

TEST(LengthCodeZeroRun, RunZeroesTheEntriesBehindTheThird) {
    // Codes 2 and 5 (length 3 for symbols 64..71); the run covers codes 3 and 4.
    bit_writer w;
    w.put(4, 16);
    put_length_code_list(w, 6, {0, 0, 1, 1}, 2);
    w.put(72, 9);
    w.put(0, 1);  // code 2, k = 44: 64 zeros
    w.put(44, 9);
    for (int i = 0; i < 8; ++i) w.put(1, 1);  // code 5: length 3
    put_single_class(w);
    for (unsigned s : {1u, 2u, 7u, 1u}) w.put(s, 3);  // 'A', 'B', 'G', 'A'
    EXPECT_EQ(text(decode_chunk_by_chunk(w.bytes(), 4).bytes), "ABGA");
}

class BlockSize : public codec_fixture {};

TEST_F(BlockSize, ZeroWrapsAndTheBlockNeverEnds) {
    bit_writer w;
    put_single_symbol_block(w, 0, 'w');
    put_single_symbol_block(w, 1, 'z');  // never reached
    use_input(w.bytes());
    std::vector<std::uint8_t> out;
    ASSERT_EQ(decode(8192, out), 0);
    EXPECT_EQ(ctx->block_remaining, 4294967295u - 8191u);
    const auto* after_header = input.next;
    for (int call = 0; call < 9; ++call) {  // past 65535 symbols
        ASSERT_EQ(decode(8192, out), 0);
        EXPECT_EQ(text(out), std::string(8192, 'w'));
    }
    EXPECT_EQ(input.next, after_header);
}

}  // namespace
