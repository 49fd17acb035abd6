// Runs of zero symbol lengths: every split must stand for exactly the run, use only codes the block has,
// keep each token within its code's range, and cost no more than any other split.
#include "encoder/zero_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using encoder::length_token;
using encoder::zero_run_bits;

struct split {
    std::vector<length_token> tokens;
    std::uint32_t bits;
};

int zeros_of(length_token token) {
    if (token.code == decoder::FORMAT_CODE_ONE_ZERO) return 1;
    if (token.code == decoder::FORMAT_CODE_SHORT_RUN) return token.extra + decoder::FORMAT_SHORT_RUN_MIN;
    return token.extra + decoder::FORMAT_LONG_RUN_MIN;
}

std::uint32_t bits_of(length_token token, const zero_run_bits& bits) {
    if (token.code == decoder::FORMAT_CODE_ONE_ZERO) return bits.one_zero;
    if (token.code == decoder::FORMAT_CODE_SHORT_RUN) return bits.short_run + decoder::FORMAT_SHORT_RUN_BITS;
    return bits.long_run + decoder::FORMAT_LONG_RUN_BITS;
}

split cheapest(int zeros, const zero_run_bits& bits) {
    static encoder::zero_run_scratch scratch;
    encoder::price_zero_runs(bits, zeros, scratch);
    std::vector<length_token> tokens(zeros);
    const int count = encoder::cheapest_zero_run(zeros, scratch, tokens.data(), 0);
    tokens.resize(count);
    std::uint32_t total = 0;
    for (const length_token token : tokens) total += bits_of(token, bits);
    return {tokens, total};
}

// Reference: the cheapest split by trying every first token, memoised.
std::uint32_t reference_bits(int zeros, const zero_run_bits& bits) {
    std::vector<std::uint64_t> best(zeros + 1, encoder::ENCODER_NO_CODE);
    best[0] = 0;
    for (int r = 1; r <= zeros; ++r) {
        for (int k = 1; k <= std::min(r, encoder::ENCODER_LONG_RUN_MAX); ++k) {
            std::uint64_t token = encoder::ENCODER_NO_CODE;
            if (k == 1) token = bits.one_zero;
            if (k >= static_cast<int>(decoder::FORMAT_SHORT_RUN_MIN) && k <= encoder::ENCODER_SHORT_RUN_MAX) {
                token = bits.short_run + decoder::FORMAT_SHORT_RUN_BITS;
            }
            if (k >= static_cast<int>(decoder::FORMAT_LONG_RUN_MIN))
                token = bits.long_run + decoder::FORMAT_LONG_RUN_BITS;
            best[r] = std::min(best[r], best[r - k] + token);
        }
    }
    return static_cast<std::uint32_t>(best[zeros]);
}

void expect_valid(const split& result, int zeros, const zero_run_bits& bits) {
    int covered = 0;
    for (const length_token token : result.tokens) {
        covered += zeros_of(token);
        EXPECT_LT(bits_of(token, bits), encoder::ENCODER_NO_CODE) << "token uses a code the block lacks";
        if (token.code == decoder::FORMAT_CODE_SHORT_RUN) {
            EXPECT_LE(token.extra, 15);
        }
        if (token.code == decoder::FORMAT_CODE_LONG_RUN) {
            EXPECT_LE(token.extra, 511);
        }
    }
    EXPECT_EQ(covered, zeros);
}

TEST(ZeroRuns, RunsAtTheCodeEdges) {
    const zero_run_bits all_cheap{2, 3, 4};
    for (const int zeros : {1, 2, 3, 18, 19, 20, 531, 532}) {
        const split result = cheapest(zeros, all_cheap);
        expect_valid(result, zeros, all_cheap);
        EXPECT_EQ(result.bits, reference_bits(zeros, all_cheap)) << zeros << " zeros";
    }
    // 19 zeros take two codes; 20 and 531 one long run; 532 two codes.
    EXPECT_EQ(cheapest(19, all_cheap).tokens.size(), 2u);
    EXPECT_EQ(cheapest(531, all_cheap).tokens.size(), 1u);
    EXPECT_EQ(cheapest(532, all_cheap).tokens.size(), 2u);
}

TEST(ZeroRuns, OnlyCodesTheBlockHas) {
    const std::uint32_t none = encoder::ENCODER_NO_CODE;
    for (const zero_run_bits bits :
         {zero_run_bits{none, 5, 6}, zero_run_bits{1, none, 9}, zero_run_bits{4, 4, none}}) {
        for (const int zeros : {3, 18, 19, 20, 40, 531, 532}) {
            const split result = cheapest(zeros, bits);
            EXPECT_EQ(result.bits, reference_bits(zeros, bits)) << zeros << " zeros";
            if (result.bits < none) expect_valid(result, zeros, bits);
        }
    }
}

TEST(ZeroRuns, SingleZerosWhenRunCodesAreDear) {
    // With a one-bit single-zero code, four zeros cost 4 bits, less than a short run's 4 extra bits alone.
    const zero_run_bits bits{1, 12, 12};
    const split result = cheapest(4, bits);
    EXPECT_EQ(result.bits, 4u);
    EXPECT_EQ(result.tokens.size(), 4u);
}

}  // namespace
