// Opening and closing contexts through the handle slot, and the calls that must produce nothing: zero-byte
// requests, missing arguments and inverted output spans.
#include <gtest/gtest.h>

#include <vector>

#include "codec_fixture.h"
#include "decoder/codec.h"
#include "decoder/codec_context.h"

namespace {

using decoder::codec_close;
using decoder::CODEC_ERR_HANDLE;
using decoder::codec_open;

// That the window starts zeroed is tested by what it does: MatchCopy.ReachBeforeTheFirstByteReadsZeros.
TEST(CodecLifecycle, OpenFillsAnEmptySlotWithAFreshContext) {
    decoder::codec_context* ctx = nullptr;
    ASSERT_EQ(codec_open(&ctx), 0);
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->codec_state, decoder::CODEC_FRESH);
    EXPECT_EQ(ctx->error_code, 0);
    EXPECT_EQ(ctx->block_remaining, 0u);
    ASSERT_NE(ctx->window, nullptr);
    codec_close(&ctx);
    EXPECT_EQ(ctx, nullptr);
}

TEST(CodecLifecycle, OpenRefusesAMissingOrOccupiedSlot) {
    EXPECT_EQ(codec_open(nullptr), CODEC_ERR_HANDLE);
    decoder::codec_context* ctx = nullptr;
    ASSERT_EQ(codec_open(&ctx), 0);
    decoder::codec_context* const first = ctx;
    EXPECT_EQ(codec_open(&ctx), CODEC_ERR_HANDLE);
    EXPECT_EQ(ctx, first);
    codec_close(&ctx);
}

TEST(CodecLifecycle, CloseIgnoresMissingAndEmptySlots) {
    codec_close(nullptr);
    decoder::codec_context* ctx = nullptr;
    codec_close(&ctx);
    EXPECT_EQ(ctx, nullptr);
}

class EmptyCalls : public decoder_test::codec_fixture {};

TEST_F(EmptyCalls, ZeroByteRequestReadsNothingAndLeavesTheContextFresh) {
    use_input({0x12, 0x34, 0x56});
    std::vector<std::uint8_t> out;
    EXPECT_EQ(decode(0, out), 0);
    EXPECT_EQ(input.next, stream.data());
    EXPECT_EQ(output.next, output.end);
    EXPECT_EQ(ctx->codec_state, decoder::CODEC_FRESH);
}

TEST_F(EmptyCalls, MissingArgumentsAndInvertedSpansAreRefusedWithoutWriting) {
    use_input({0x00, 0x03, 0x00, 0x00, 0x30, 0x80});
    std::vector<std::uint8_t> out(16, 0xEE);
    decoder::output_span span{out.data(), out.data() + 3};
    EXPECT_EQ(decoder::decode_chunk(nullptr, &input, &span), CODEC_ERR_HANDLE);
    EXPECT_EQ(decoder::decode_chunk(ctx, nullptr, &span), CODEC_ERR_HANDLE);
    EXPECT_EQ(decoder::decode_chunk(ctx, &input, nullptr), CODEC_ERR_HANDLE);
    decoder::output_span inverted{out.data() + 3, out.data()};
    EXPECT_EQ(decoder::decode_chunk(ctx, &input, &inverted), CODEC_ERR_HANDLE);
    EXPECT_EQ(inverted.next, out.data() + 3);
    EXPECT_EQ(out, std::vector<std::uint8_t>(16, 0xEE));
    EXPECT_EQ(input.next, stream.data());
    EXPECT_EQ(ctx->codec_state, decoder::CODEC_FRESH);
}

TEST_F(EmptyCalls, FailedContextReportsItsErrorEvenForZeroBytes) {
    ctx->codec_state = decoder::CODEC_FAILED;
    ctx->error_code = decoder::CODEC_ERR_TABLE;
    use_input({});
    std::vector<std::uint8_t> out;
    EXPECT_EQ(decode(0, out), decoder::CODEC_ERR_TABLE);
}

}  // namespace
