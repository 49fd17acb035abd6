// Block layouts the decoder would reject or misread: alphabets with one used code must go in single-code
// form, planned sizes must equal what is written (block splitting trusts them), and block sizes stay
// within 1..65535.
#include <gtest/gtest.h>

#include <random>
#include <unordered_map>
#include <vector>

#include "decoder/codec_context.h"
#include "encoder/bit_writer.h"
#include "encoder/block_plan.h"
#include "encoder/block_writer.h"
#include "encoder/encoder.h"
#include "round_trip.h"

namespace {

using encoder::lz_symbol;

struct written_block {
    encoder::block_plan plan;
    std::vector<unsigned char> stream;
    std::uint64_t planned_bits;
};

// Plans and writes one block of these symbols on its own.
written_block write_one_block(const std::vector<lz_symbol>& symbols) {
    static encoder::block_stats stats;
    static encoder::plan_scratch scratch;
    written_block block;
    encoder::clear_stats(stats);
    for (const lz_symbol item : symbols) encoder::count_symbol(stats, item);
    block.planned_bits = encoder::plan_block(stats, block.plan, scratch);
    encoder::assign_plan_codes(block.plan);
    encoder::bit_writer writer;
    encoder::start_bits(writer, block.stream);
    encoder::write_block(writer, block.plan, symbols.data());
    encoder::finish_bits(writer);
    return block;
}

// The bytes these symbols stand for.
std::vector<unsigned char> expand(const std::vector<lz_symbol>& symbols) {
    std::vector<unsigned char> out;
    for (const lz_symbol item : symbols) {
        if (item.symbol < decoder::FORMAT_LITERAL_COUNT) {
            out.push_back(static_cast<unsigned char>(item.symbol));
            continue;
        }
        const std::size_t length = item.symbol - decoder::FORMAT_SYMBOL_COUNT + 1 + decoder::FORMAT_MAX_MATCH;
        for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - 1 - item.distance]);
    }
    return out;
}

void expect_block_decodes(const std::vector<lz_symbol>& symbols, const char* what) {
    const written_block block = write_one_block(symbols);
    EXPECT_EQ((block.planned_bits + 7) / 8, block.stream.size())
        << what << ": planned size differs from written";
    const std::vector<unsigned char> expected = expand(symbols);
    const auto restored = encoder_tests::decode_stream(block.stream, expected.size());
    ASSERT_TRUE(restored.has_value()) << what << ": the decoder rejected the block";
    EXPECT_EQ(*restored, expected) << what;
}

TEST(BlockForms, SingleCodeForms) {
    // One literal only: single-symbol form, no bits per symbol.
    const std::vector<lz_symbol> one_literal(1000, lz_symbol{'x', 0});
    const written_block block = write_one_block(one_literal);
    EXPECT_EQ(block.plan.symbols.used, 1);
    EXPECT_LT(block.stream.size(), 10u);
    expect_block_decodes(one_literal, "one literal");

    // One literal then one match length at one distance class: two symbols, a single class.
    std::vector<lz_symbol> runs{{'y', 0}};
    runs.insert(runs.end(), 50, lz_symbol{encoder::match_symbol(256), 0});
    EXPECT_EQ(write_one_block(runs).plan.classes.used, 1);
    expect_block_decodes(runs, "one match class");

    // Literals only: no distance class is used at all.
    std::vector<lz_symbol> literals;
    for (int i = 0; i < 300; ++i) literals.push_back({static_cast<std::uint16_t>(i % 7 + 'a'), 0});
    EXPECT_EQ(write_one_block(literals).plan.classes.used, 0);
    expect_block_decodes(literals, "no match");

    // Literals all of one length with no zero between them: a single length code.
    std::vector<lz_symbol> flat;
    for (int i = 0; i < 256 * 4; ++i) flat.push_back({static_cast<std::uint16_t>(i % 256), 0});
    EXPECT_EQ(write_one_block(flat).plan.length_codes.used, 1);
    expect_block_decodes(flat, "flat literals");
}

TEST(BlockForms, PlannedSizeIsWrittenSize) {
    std::mt19937 engine(9);
    for (int trial = 0; trial < 30; ++trial) {
        std::vector<lz_symbol> symbols;
        const int spread = 2 + static_cast<int>(engine() % 200);
        for (int i = 0; i < 4000; ++i) {
            if (symbols.size() > 20 && engine() % 4 == 0) {
                const std::uint32_t length = 3 + engine() % (1 + engine() % 254);
                const std::uint32_t distance = engine() % std::min<std::uint32_t>(8192, 20);
                symbols.push_back({encoder::match_symbol(length), static_cast<std::uint16_t>(distance)});
            } else {
                symbols.push_back({static_cast<std::uint16_t>(engine() % spread), 0});
            }
        }
        expect_block_decodes(symbols, "mixed block");
    }
}

TEST(BlockForms, SmallBlocksTryTighterSymbolLimits) {
    // Many rare symbols give a deep code; the plan for writing may flatten it, but must never cost more
    // than the plain plan, and must still be written exactly as planned and decode.
    std::mt19937 engine(12);
    for (int trial = 0; trial < 20; ++trial) {
        std::vector<lz_symbol> symbols;
        for (int i = 0; i < 600; ++i) {
            const std::uint32_t pick = engine() % 1000;
            const std::uint16_t symbol = static_cast<std::uint16_t>(pick < 700 ? pick % 12 : engine() % 256);
            symbols.push_back({symbol, 0});
        }
        static encoder::block_stats stats;
        static encoder::plan_scratch scratch;
        static encoder::block_plan plan;
        encoder::clear_stats(stats);
        for (const lz_symbol item : symbols) encoder::count_symbol(stats, item);
        const std::uint64_t plain_bits = encoder::plan_block(stats, plan, scratch);
        const std::uint64_t written_bits = encoder::plan_block_to_write(stats, plan, scratch);
        EXPECT_LE(written_bits, plain_bits);
        encoder::assign_plan_codes(plan);
        std::vector<unsigned char> stream;
        encoder::bit_writer writer;
        encoder::start_bits(writer, stream);
        encoder::write_block(writer, plan, symbols.data());
        encoder::finish_bits(writer);
        EXPECT_EQ((written_bits + 7) / 8, stream.size());
        const auto restored = encoder_tests::decode_stream(stream, symbols.size());
        ASSERT_TRUE(restored.has_value());
        EXPECT_EQ(*restored, expand(symbols));
    }
}

TEST(BlockForms, ZeroRunOfNineteenInSymbolLengths) {
    // Symbols 0 and 20 with nothing between them: 19 zero lengths that no single code can carry.
    std::vector<lz_symbol> symbols;
    for (int i = 0; i < 100; ++i)
        symbols.push_back({static_cast<std::uint16_t>(i % 3 == 0 ? 20 : i % 3 == 1 ? 0 : 40), 0});
    expect_block_decodes(symbols, "19 and 20 zero lengths");
}

TEST(BlockForms, BlockSizesStayWithinTheField) {
    // Random bytes with no three-byte string repeated within the window parse to literals only; after the
    // first chunk, the symbols left in the first block show its size, which must be at most 65535 and
    // above the 8192 already decoded.
    std::mt19937 engine(4);
    std::vector<unsigned char> data(65535 * 2);
    std::unordered_map<std::uint32_t, std::size_t> last_seen;
    for (std::size_t i = 0; i < data.size(); ++i) {
        for (;;) {
            data[i] = static_cast<unsigned char>(engine());
            if (i < 2) break;
            const std::uint32_t key =
                std::uint32_t{data[i - 2]} << 16 | std::uint32_t{data[i - 1]} << 8 | data[i];
            const auto found = last_seen.find(key);
            if (found != last_seen.end() && i - found->second <= 2 * decoder::FORMAT_WINDOW_SIZE) continue;
            last_seen[key] = i;
            break;
        }
    }
    const std::vector<unsigned char> stream = encoder::compress(data, encoder::ENCODER_LEVEL_DEFAULT);
    decoder::codec_context* context = nullptr;
    ASSERT_EQ(decoder::codec_open(&context), 0);
    decoder::input_span input{stream.data(), stream.data() + stream.size()};
    std::vector<unsigned char> chunk(decoder::CODEC_CHUNK_SIZE);
    decoder::output_span output{chunk.data(), chunk.data() + chunk.size()};
    ASSERT_EQ(decoder::decode_chunk(context, &input, &output), 0);
    const std::uint32_t first_block = context->block_remaining + decoder::CODEC_CHUNK_SIZE;
    decoder::codec_close(&context);
    EXPECT_LE(first_block, encoder::ENCODER_MAX_BLOCK_SYMBOLS);
    EXPECT_GT(first_block, decoder::CODEC_CHUNK_SIZE);
}

}  // namespace
