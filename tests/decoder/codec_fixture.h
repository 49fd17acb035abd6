// Test-only fixture: an open codec context over a given input, for tests that drive the bit reader, the
// table construction or decode_chunk directly.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "decoder/codec.h"
#include "decoder/codec_context.h"

namespace decoder_test {

class codec_fixture : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(decoder::codec_open(&ctx), 0); }
    void TearDown() override { decoder::codec_close(&ctx); }

    // Points the context's bit reader at bytes (kept alive here) as a fresh reader would start.
    void use_input(std::vector<std::uint8_t> bytes) {
        stream = std::move(bytes);
        input = {stream.data(), stream.data() + stream.size()};
        ctx->input = &input;
    }

    // One decode_chunk call for want bytes into out (resized); returns its result.
    int decode(std::size_t want, std::vector<std::uint8_t>& out) {
        out.assign(want, 0xEE);
        output = {out.data(), out.data() + want};
        return decoder::decode_chunk(ctx, &input, &output);
    }

    decoder::codec_context* ctx = nullptr;
    std::vector<std::uint8_t> stream;
    decoder::input_span input{};
    decoder::output_span output{};
};

}  // namespace decoder_test
