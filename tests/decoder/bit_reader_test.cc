// The bit reader: byte order and bit order of the lookahead, refills across bytes, and the end of input,
// which must give zero bits without reading past the caller's span.
#include "decoder/bit_reader.h"

#include <gtest/gtest.h>

#include "codec_fixture.h"

namespace {

using decoder::peek_bits;
using decoder::read_bits;
using decoder::skip_bits;
using decoder::start_bit_reader;
using decoder_test::codec_fixture;

class BitReader : public codec_fixture {};

TEST_F(BitReader, FreshReaderLoadsExactlyTheFirstTwoBytesFirstByteHigh) {
    use_input({0xA5, 0x3C, 0xFF, 0x00});
    start_bit_reader(ctx);
    EXPECT_EQ(ctx->lookahead, 0xA53C);
    EXPECT_EQ(ctx->spare_bits, 0);
    EXPECT_EQ(input.next, stream.data() + 2);
}

TEST_F(BitReader, FieldsReadMostSignificantBitFirstAcrossByteBoundaries) {
    // 1011 0011 1000 1111 0101 0000 ... as fields of 1, 3, 5, 7, 4 and 4 bits.
    use_input({0xB3, 0x8F, 0x50});
    start_bit_reader(ctx);
    EXPECT_EQ(read_bits(ctx, 1), 1u);
    EXPECT_EQ(read_bits(ctx, 3), 0b011u);
    EXPECT_EQ(read_bits(ctx, 5), 0b00111u);
    EXPECT_EQ(read_bits(ctx, 7), 0b0001111u);
    EXPECT_EQ(read_bits(ctx, 4), 0b0101u);
    EXPECT_EQ(read_bits(ctx, 4), 0u);
}

TEST_F(BitReader, PeekConsumesNothingAndSkipZeroChangesNothing) {
    use_input({0xC3, 0x5A, 0x96});
    start_bit_reader(ctx);
    skip_bits(ctx, 8);  // spare byte now fully inside the lookahead
    const auto lookahead = ctx->lookahead;
    EXPECT_EQ(peek_bits(ctx, 0), 0u);
    EXPECT_EQ(peek_bits(ctx, 16), lookahead);
    skip_bits(ctx, 0);
    EXPECT_EQ(ctx->lookahead, lookahead);
    EXPECT_EQ(read_bits(ctx, 16), 0x5A96u);
}

TEST_F(BitReader, SixteenBitReadsWalkTheBytesInOrder) {
    use_input({0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07});
    start_bit_reader(ctx);
    skip_bits(ctx, 4);
    EXPECT_EQ(read_bits(ctx, 16), 0x1020u);
    EXPECT_EQ(read_bits(ctx, 16), 0x3040u);
    EXPECT_EQ(read_bits(ctx, 16), 0x5060u);
    EXPECT_EQ(read_bits(ctx, 12), 0x700u);
}

TEST_F(BitReader, SeventeenBitSkipLandsOnTheRightBit) {
    // Only damaged length lists skip 17 bits; the reader must still stay in step.
    use_input({0xFF, 0xFF, 0x80, 0xAB, 0xCD});
    start_bit_reader(ctx);
    skip_bits(ctx, 17);
    EXPECT_EQ(read_bits(ctx, 16), 0x0157u);  // bits 17..32: 0000000 10101011 1
}

TEST_F(BitReader, PastTheEndBitsAreZeroAndNextStopsAtEnd) {
    use_input({0xFF, 0xFF, 0xFF});
    start_bit_reader(ctx);
    EXPECT_EQ(read_bits(ctx, 16), 0xFFFFu);
    EXPECT_EQ(read_bits(ctx, 16), 0xFF00u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(read_bits(ctx, 16), 0u);
    EXPECT_EQ(input.next, input.end);
}

TEST_F(BitReader, EmptyInputGivesZerosAndNeverMovesNext) {
    use_input({});
    input = {nullptr, nullptr};
    start_bit_reader(ctx);
    EXPECT_EQ(read_bits(ctx, 16), 0u);
    EXPECT_EQ(input.next, nullptr);
}

}  // namespace
