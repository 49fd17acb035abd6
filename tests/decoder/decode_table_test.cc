// Table construction: canonical codes of every length 1..16 found through the table and the trees, and the
// consistency check that must refuse incomplete, over-full and too-long sets without touching the tables.
#include "decoder/decode_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "bit_writer.h"
#include "codec_fixture.h"

namespace {

using decoder::build_decode_table;
using decoder::CODEC_ERR_TABLE;
using decoder::decode_with_table;
using decoder_test::bit_writer;
using decoder_test::canonical_codes;
using decoder_test::codec_fixture;

// Lengths 1, 2, ..., n - 1, n - 1 on the n symbols from first on: a complete code whose longest codes
// have n - 1 bits (16 for n = 17).
std::vector<std::uint8_t> chain_lengths(int count, int first, int n = 17) {
    std::vector<std::uint8_t> lengths(count, 0);
    for (int i = 0; i < n - 1; ++i) lengths[first + i] = static_cast<std::uint8_t>(i + 1);
    lengths[first + n - 1] = static_cast<std::uint8_t>(n - 1);
    return lengths;
}

class DecodeTable : public codec_fixture {
  protected:
    // Builds a table for lengths into the symbol or the aux table, as the block decoder would.
    int build(const std::vector<std::uint8_t>& lengths, int table_bits) {
        auto& target = table_bits == 12 ? symbol_lengths_copy : aux_lengths_copy;
        target = lengths;
        return build_decode_table(ctx, static_cast<int>(lengths.size()), target.data(), table_bits,
                                  table(table_bits));
    }
    std::uint16_t* table(int table_bits) {
        return table_bits == 12 ? ctx->symbol_table.data() : ctx->aux_table.data();
    }

    // Decodes one code from a stream holding the code and then a 16-bit marker; checks the marker follows.
    std::uint32_t decode_one(std::uint32_t code, int length, int table_bits) {
        bit_writer w;
        w.put(code, length);
        w.put(0xA5C3, 16);
        use_input(w.bytes());
        decoder::start_bit_reader(ctx);
        const auto& lengths = table_bits == 12 ? symbol_lengths_copy : aux_lengths_copy;
        const auto symbol = decode_with_table(ctx, table(table_bits), table_bits, lengths.data(),
                                              static_cast<std::uint32_t>(lengths.size()));
        EXPECT_EQ(decoder::read_bits(ctx, 16), 0xA5C3u) << "code of length " << length;
        return symbol;
    }

    std::vector<std::uint8_t> symbol_lengths_copy;
    std::vector<std::uint8_t> aux_lengths_copy;
};

TEST_F(DecodeTable, EveryLengthFromOneToSixteenDecodesInTheSymbolTable) {
    const auto lengths = chain_lengths(510, 300);
    ASSERT_EQ(build(lengths, 12), 0);
    const auto codes = canonical_codes(lengths);
    for (int s = 300; s <= 316; ++s) EXPECT_EQ(decode_one(codes[s], lengths[s], 12), unsigned(s));
    EXPECT_EQ(ctx->error_code, 0);
}

TEST_F(DecodeTable, EveryLengthFromOneToSixteenDecodesInTheSmallTables) {
    // 19 length codes reach 16 bits (8 tree steps); 14 classes reach 13.
    for (const auto& lengths : {chain_lengths(19, 2), chain_lengths(14, 0, 14)}) {
        ASSERT_EQ(build(lengths, 8), 0);
        const auto codes = canonical_codes(lengths);
        for (std::size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] == 0) continue;
            EXPECT_EQ(decode_one(codes[s], lengths[s], 8), s);
        }
    }
}

TEST_F(DecodeTable, BuildingASmallTableLeavesTheSymbolTablesLongCodesDecoding) {
    // Codes longer than the table's 12 bits go through tree nodes, which the small tables' own trees
    // must not overwrite.
    const auto lengths = chain_lengths(510, 0);
    ASSERT_EQ(build(lengths, 12), 0);
    ASSERT_EQ(build(chain_lengths(19, 2), 8), 0);
    const auto codes = canonical_codes(lengths);
    for (int s = 0; s <= 16; ++s) EXPECT_EQ(decode_one(codes[s], lengths[s], 12), unsigned(s));
}

class RejectedLengths : public DecodeTable {
  protected:
    // Fills both tables with a recognisable pattern, fails a build, and checks nothing moved.
    void expect_rejected(const std::vector<std::uint8_t>& lengths, int table_bits) {
        ASSERT_EQ(build(chain_lengths(510, 0), 12), 0);
        ASSERT_EQ(build(chain_lengths(19, 0), 8), 0);
        const auto symbol_table = ctx->symbol_table;
        const auto aux_table = ctx->aux_table;
        const auto left = ctx->left_child;
        const auto right = ctx->right_child;
        ctx->error_code = 0;
        EXPECT_EQ(build(lengths, table_bits), CODEC_ERR_TABLE);
        EXPECT_EQ(ctx->error_code, CODEC_ERR_TABLE);
        EXPECT_EQ(ctx->symbol_table, symbol_table);
        EXPECT_EQ(ctx->aux_table, aux_table);
        EXPECT_EQ(ctx->left_child, left);
        EXPECT_EQ(ctx->right_child, right);
    }
};

TEST_F(RejectedLengths, OneNonzeroLengthIsHalfACode) {
    std::vector<std::uint8_t> lengths(510, 0);
    lengths[65] = 1;
    expect_rejected(lengths, 12);
    std::vector<std::uint8_t> small(19, 0);
    small[3] = 1;
    expect_rejected(small, 8);
}

TEST_F(RejectedLengths, OverFullSetsWhoseTotalWrapsSixteenBitsAreStillRefused) {
    // Four codes of length 1: 2^17, which a 16-bit sum would take for 0 or complete.
    std::vector<std::uint8_t> four_ones(14, 0);
    std::fill_n(four_ones.begin(), 4, 1);
    expect_rejected(four_ones, 8);
    // Three of length 1 and two of length 2: 2^17 as well.
    std::vector<std::uint8_t> mixed(510, 0);
    mixed[0] = mixed[1] = mixed[2] = 1;
    mixed[3] = mixed[4] = 2;
    expect_rejected(mixed, 12);
    // 2^16 + 2^16 in long codes: every symbol at length 8 plus 256 more at 8 (512 > 510 is impossible), so
    // 510 codes of length 8 with 2 at length 7: 508 * 256 + 2 * 512 = 131072.
    std::vector<std::uint8_t> big(510, 8);
    big[0] = big[1] = 7;
    expect_rejected(big, 12);
}

TEST_F(RejectedLengths, IncompleteSetsAreRefused) {
    std::vector<std::uint8_t> lengths(510, 0);
    lengths[10] = 1;
    lengths[20] = 2;
    expect_rejected(lengths, 12);
}

TEST_F(RejectedLengths, LengthsAboveSixteenAreRefused) {
    // Complete in a sense if 17 were allowed: 1, 2, ..., 16, 17, 17.
    std::vector<std::uint8_t> lengths(19, 0);
    for (int i = 0; i < 17; ++i) lengths[i] = static_cast<std::uint8_t>(i + 1);
    lengths[17] = 17;
    expect_rejected(lengths, 8);
    std::vector<std::uint8_t> twenty(19, 0);
    twenty[0] = 1;
    twenty[1] = 20;
    expect_rejected(twenty, 8);
}

TEST_F(DecodeTable, AllZeroLengthsLeaveThePreviousTableInForce) {
    ASSERT_EQ(build(chain_lengths(510, 0), 12), 0);
    const auto before = ctx->symbol_table;
    EXPECT_EQ(build(std::vector<std::uint8_t>(510, 0), 12), 0);
    EXPECT_EQ(ctx->symbol_table, before);
    EXPECT_EQ(ctx->error_code, 0);
}

// The fast path's symbol tables (fast_symbol_table with symbol_table split) against the whole symbol_table
// of the general build: every 16-bit lookahead decodes to the same symbol, and a refused or empty set
// leaves both builds decoding as before.
class SplitSymbolTables : public DecodeTable {
  protected:
    // The symbol decoded from each lookahead value, through decode_symbol after build_symbol_tables.
    std::vector<std::uint32_t> split_decodes(const std::vector<std::uint8_t>& lengths, bool built) {
        std::copy(lengths.begin(), lengths.end(), ctx->symbol_lengths.begin());
        ctx->symbol_table.fill(509);  // what a split table must not be read for
        EXPECT_EQ(decoder::build_symbol_tables(ctx), built);
        EXPECT_EQ(ctx->symbol_table_split, 1u);
        return decodes([&] { return decoder::decode_symbol(ctx); });
    }
    // The same through the whole table of build_decode_table.
    std::vector<std::uint32_t> whole_decodes(const std::vector<std::uint8_t>& lengths) {
        build(lengths, 12);
        return decodes([&] {
            return decode_with_table(ctx, ctx->symbol_table.data(), 12, symbol_lengths_copy.data(), 510);
        });
    }
    template <typename Decode>
    std::vector<std::uint32_t> decodes(Decode decode) {
        use_input({});
        std::vector<std::uint32_t> symbols;
        for (std::uint32_t v = 0; v < 0x10000; ++v) {
            ctx->lookahead = static_cast<std::uint16_t>(v);
            ctx->spare_bits = 0;
            symbols.push_back(decode());
        }
        return symbols;
    }
};

TEST_F(SplitSymbolTables, DecodeEveryLookaheadAsTheWholeTable) {
    std::vector<std::uint8_t> flat(510, 0);  // every literal 8 bits: short codes only, one run size
    std::fill_n(flat.begin(), 256, 8);
    std::vector<std::uint8_t> steps(510, 0);  // 1, 2, 3 and 4 bits, the rest 12: no tree
    steps[300] = 1;
    steps[400] = 2;
    steps[7] = 3;
    steps[509] = 4;
    std::fill_n(steps.begin() + 10, 256, 12);
    std::vector<std::uint8_t> spread(510, 0);  // 4, 6, 9 and 10 bits, on symbols strewn over both kinds
    const std::array<std::pair<int, int>, 4> groups{{{8, 4}, {16, 6}, {64, 9}, {128, 10}}};
    int k = 0;
    for (const auto& [count, length] : groups) {
        for (int i = 0; i < count; ++i, ++k) spread[k * 7 % 510] = static_cast<std::uint8_t>(length);
    }
    for (const auto& lengths : {flat, steps, spread, chain_lengths(510, 0), chain_lengths(510, 300)}) {
        const auto whole = whole_decodes(lengths);
        EXPECT_EQ(split_decodes(lengths, true), whole);
        // Refused (over-full, too long) and empty sets leave the split tables decoding as they were.
        auto over_full = lengths;
        over_full[509] = over_full[509] == 1 ? 2 : 1;
        auto too_long = lengths;
        too_long[508] = 17;
        for (const auto& refused : {over_full, too_long, std::vector<std::uint8_t>(510, 0)}) {
            ctx->error_code = 0;
            std::copy(refused.begin(), refused.end(), ctx->symbol_lengths.begin());
            EXPECT_FALSE(decoder::build_symbol_tables(ctx));
            std::copy(lengths.begin(), lengths.end(), ctx->symbol_lengths.begin());
            EXPECT_EQ(decodes([&] { return decoder::decode_symbol(ctx); }), whole);
        }
    }
}

}  // namespace
