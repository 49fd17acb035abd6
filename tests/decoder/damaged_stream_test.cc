// Damaged data: every way a block head can carry inconsistent or out-of-range lengths must end the call with
// CODEC_ERR_TABLE after completing its chunk, and leave the context failed; tree walks led astray by
// damaged single-code values must end; random and mutated streams must never crash or hang.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bit_writer.h"
#include "codec_fixture.h"
#include "decoder/decode_table.h"
#include "stream_builder.h"

namespace {

using decoder::CODEC_ERR_TABLE;
using decoder::CODEC_FAILED;
using decoder_test::bit_writer;
using decoder_test::put_length_code_list;
using decoder_test::put_length_form;
using decoder_test::put_single_class;
using decoder_test::put_single_length_code;

// Block size and length codes in single-code form.
void put_head(bit_writer& w, unsigned single_length_code) {
    w.put(100, 16);
    put_single_length_code(w, single_length_code);
}

struct damaged_case {
    const char* name;
    std::function<void(bit_writer&)> write;
    std::uint8_t fill = 0;  // what the failing chunk holds: the fresh tables give symbol 0
};

std::vector<damaged_case> damaged_heads() {
    std::vector<damaged_case> cases;
    cases.push_back({"one nonzero symbol length", [](bit_writer& w) {
                         put_head(w, 3);  // every length 1
                         w.put(1, 9);
                         put_single_class(w);
                     }});
    cases.push_back({"four length codes of length 1", [](bit_writer& w) {
                         w.put(100, 16);
                         put_length_code_list(w, 4, {1, 1, 1, 1});
                     }});
    cases.push_back({"a length of 20 in unary form", [](bit_writer& w) {
                         w.put(100, 16);
                         put_length_code_list(w, 3, {1, 20, 1});
                     }});
    for (unsigned n = 20; n <= 31; ++n) {
        cases.push_back({"length-code count above 19", [n](bit_writer& w) {
                             w.put(100, 16);
                             std::vector<unsigned> lengths(n, 0);
                             lengths[0] = lengths[1] = 1;
                             put_length_code_list(w, n, lengths);
                         }});
    }
    cases.push_back({"distance-class count 15",
                     [](bit_writer& w) {
                         put_head(w, 0);
                         decoder_test::put_single_symbol(w, 's');
                         w.put(15, 4);
                         for (int i = 0; i < 15; ++i) put_length_form(w, i < 2 ? 1 : 0);
                     },
                     's'});
    cases.push_back({"symbol-length count 511", [](bit_writer& w) {
                         put_head(w, 11);  // every length 9: 511 of them
                         w.put(511, 9);
                         put_single_class(w);
                     }});
    cases.push_back({"a long zero run past entry 510", [](bit_writer& w) {
                         put_head(w, 2);  // every code a run of k + 20 zeros
                         w.put(510, 9);
                         w.put(511, 9);  // 531 zeros
                         put_single_class(w);
                     }});
    cases.push_back({"a zero run ending just past entry 510", [](bit_writer& w) {
                         // Length codes 1 ("0") and 2 ("1"); 500 zeros by code 2, then code 1 with 11 zeros.
                         w.put(100, 16);
                         put_length_code_list(w, 3, {0, 1, 1});
                         w.put(505, 9);
                         w.put(1, 1);
                         w.put(480, 9);
                         w.put(0, 1);
                         w.put(8, 4);
                         put_single_class(w);
                     }});
    return cases;
}

class DamagedStream : public decoder_test::codec_fixture {
  protected:
    // The failing call still fills its chunk; the next one returns at once and writes nothing.
    void expect_failure_after(std::size_t want, std::uint8_t fill) {
        std::vector<std::uint8_t> out;
        EXPECT_EQ(decode(want, out), CODEC_ERR_TABLE);
        EXPECT_EQ(output.next, out.data() + want);
        EXPECT_EQ(ctx->codec_state, CODEC_FAILED);
        EXPECT_EQ(out, std::vector<std::uint8_t>(want, fill));

        const auto* input_before = input.next;
        EXPECT_EQ(decode(8192, out), CODEC_ERR_TABLE);
        EXPECT_EQ(output.next, out.data());
        EXPECT_EQ(out, std::vector<std::uint8_t>(8192, 0xEE));
        EXPECT_EQ(input.next, input_before);
    }
};

TEST_F(DamagedStream, InconsistentOrOutOfRangeLengthsFailTheCallAndTheContext) {
    // Without padding the head is read a bit at a time; with it, the lengths are read 64 bits at a time.
    for (const std::size_t padding : {0, 16}) {
        for (const auto& c : damaged_heads()) {
            SCOPED_TRACE(std::string(c.name) + ", padding " + std::to_string(padding));
            decoder::codec_close(&ctx);
            ASSERT_EQ(decoder::codec_open(&ctx), 0);
            bit_writer w;
            c.write(w);
            std::vector<std::uint8_t> bytes = w.bytes();
            bytes.resize(bytes.size() + padding);
            use_input(bytes);
            expect_failure_after(100, c.fill);  // the bad block's own symbols
        }
    }
}

TEST_F(DamagedStream, FailureInALaterChunkFollowsAGoodOne) {
    bit_writer w;
    decoder_test::put_single_symbol_block(w, 8192, 'g');
    damaged_heads()[0].write(w);
    use_input(w.bytes());
    std::vector<std::uint8_t> out;
    ASSERT_EQ(decode(8192, out), 0);
    EXPECT_EQ(out, std::vector<std::uint8_t>(8192, 'g'));
    // The bad block's lengths are refused and the first block's single-symbol table stays in force for its
    // 100 symbols; then the input is used up and zero bits make a block of single symbol 0.
    EXPECT_EQ(decode(8192, out), CODEC_ERR_TABLE);
    std::vector<std::uint8_t> expected(8192, 0);
    std::fill_n(expected.begin(), 100, 'g');
    EXPECT_EQ(out, expected);
    EXPECT_EQ(decode(100, out), CODEC_ERR_TABLE);
    EXPECT_EQ(output.next, out.data());
}

TEST_F(DamagedStream, CyclicTreeWalkEndsWithTableErrorAndSymbolZero) {
    use_input({0xFF, 0xFF, 0xFF});
    decoder::start_bit_reader(ctx);
    ctx->symbol_table.fill(600);
    ctx->left_child[600] = 700;
    ctx->right_child[600] = 700;
    ctx->left_child[700] = 600;
    ctx->right_child[700] = 600;
    ctx->symbol_lengths.fill(5);
    EXPECT_EQ(decoder::decode_with_table(ctx, ctx->symbol_table.data(), 12, ctx->symbol_lengths.data(), 510),
              0u);
    EXPECT_EQ(ctx->error_code, CODEC_ERR_TABLE);
    EXPECT_EQ(ctx->lookahead, 0xFFFF);  // nothing consumed
}

TEST_F(DamagedStream, WalkPastTheLookaheadReadsZeroBits) {
    // Nine levels below an 8-bit table: the ninth bit lies beyond the lookahead and counts as 0.
    use_input({0xFF, 0xFF});
    decoder::start_bit_reader(ctx);
    ctx->aux_table.fill(20);
    for (std::uint16_t node = 20; node < 28; ++node) {
        ctx->right_child[node] = static_cast<std::uint16_t>(node + 1);
        ctx->left_child[node] = 3;
    }
    ctx->left_child[28] = 7;  // taken on the 0 bit past the end
    ctx->right_child[28] = 9;
    ctx->aux_lengths.fill(0);
    EXPECT_EQ(decoder::decode_with_table(ctx, ctx->aux_table.data(), 8, ctx->aux_lengths.data(), 19), 7u);
    EXPECT_EQ(ctx->error_code, 0);
}

// Single-code values at or above each alphabet's size, on a fresh context and after long-code trees: the
// walks they start must end, with a result or with CODEC_ERR_TABLE.
void put_tree_block(bit_writer& w) {
    // 17 literals with codes of 1..16 bits: symbol-tree nodes from 510 on.
    std::vector<std::uint8_t> lengths(510, 0);
    std::vector<decoder_test::token> tokens;
    for (int i = 0; i < 16; ++i) lengths[100 + i] = static_cast<std::uint8_t>(i + 1);
    lengths[116] = 16;
    for (int i = 0; i < 17; ++i) tokens.push_back(decoder_test::literal(static_cast<std::uint8_t>(100 + i)));
    decoder_test::put_block(w, tokens, 17, {lengths, {}, {}});
}

TEST_F(DamagedStream, SingleCodeValuesNamingNodesEndWithAResult) {
    for (bool after_tree : {false, true}) {
        for (unsigned symbol : {510u, 511u}) {
            for (unsigned distance_class : {14u, 15u}) {
                for (unsigned length_code : {19u, 31u}) {
                    bit_writer w;
                    if (after_tree) put_tree_block(w);
                    // Symbol and class out of range in single-code form, then a symbol list read with an
                    // out-of-range single length code.
                    decoder_test::put_single_symbol_block(w, 40, symbol, distance_class);
                    w.put(40, 16);
                    put_single_length_code(w, length_code);
                    w.put(200, 9);
                    put_single_class(w, distance_class);
                    const auto file = decoder_test::decode_chunk_by_chunk(w.bytes(), 20000);
                    for (int r : file.results) EXPECT_TRUE(r == 0 || r == CODEC_ERR_TABLE);
                }
            }
        }
    }
}

// Random byte strings, and valid streams with a few bits flipped, decoded as a 20000-byte file.
TEST(DamagedInput, RandomAndMutatedStreamsNeverCrashOrHang) {
    std::mt19937 rng(1234);
    std::vector<std::uint8_t> valid;
    {
        bit_writer w;
        put_tree_block(w);
        std::vector<decoder_test::token> tokens;
        for (int i = 0; i < 500; ++i) {
            tokens.push_back(rng() % 2 ? decoder_test::literal(static_cast<std::uint8_t>(rng()))
                                       : decoder_test::match(3 + rng() % 254, 1 + rng() % 8192));
        }
        decoder_test::put_block(w, tokens);
        valid = w.bytes();
    }
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> stream(rng() % 200);
        for (auto& b : stream) b = static_cast<std::uint8_t>(rng());
        const auto file = decoder_test::decode_chunk_by_chunk(stream, 20000);
        for (int r : file.results) ASSERT_TRUE(r == 0 || r == CODEC_ERR_TABLE);
        ASSERT_LE(file.input_used, stream.size());
    }
    for (int round = 0; round < 300; ++round) {
        auto stream = valid;
        for (int flips = 1 + static_cast<int>(rng() % 4); flips > 0; --flips) {
            stream[rng() % stream.size()] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
        }
        const auto file = decoder_test::decode_chunk_by_chunk(stream, 20000);
        for (int r : file.results) ASSERT_TRUE(r == 0 || r == CODEC_ERR_TABLE);
    }
}

}  // namespace
