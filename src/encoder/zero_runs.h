// Runs of zero symbol lengths as length codes: the cheapest split of a run into single zeros (code 0),
// short runs (code 1, 3..18) and long runs (code 2, 20..531) for given code sizes. No choice of the
// codes themselves; that is block_plan.cc.
#pragma once

#include <array>
#include <cstdint>

#include "encoder/format.h"

namespace encoder {

// One length code and its extra-bit value, as sent in the symbol-length list.
struct length_token {
    std::uint8_t code;
    std::uint16_t extra;
};

// Bits of a code the current length-code set lacks.
constexpr std::uint32_t ENCODER_NO_CODE = 1u << 30;

// Code bits of the three run codes, extra bits not included; ENCODER_NO_CODE for an absent one.
struct zero_run_bits {
    std::uint32_t one_zero;
    std::uint32_t short_run;
    std::uint32_t long_run;
};

// Longest run priced: a long run and one more zero.
constexpr int ENCODER_MAX_PRICED_RUN = ENCODER_LONG_RUN_MAX + 1;

struct zero_run_scratch {
    std::array<std::uint32_t, ENCODER_MAX_PRICED_RUN + 1> cost;  // cheapest bits for a run of r zeros
    std::array<std::uint16_t, ENCODER_MAX_PRICED_RUN + 1> step;  // zeros in one token of that split
};

// Prices every run of 1..max_run zeros (max_run <= ENCODER_MAX_PRICED_RUN). A run no available code can
// express is priced at ENCODER_NO_CODE or more.
void price_zero_runs(const zero_run_bits& bits, int max_run, zero_run_scratch& scratch);

// Appends the tokens of the cheapest split of `zeros` (as priced last) at tokens[token_count]; returns the
// new count.
int cheapest_zero_run(int zeros, const zero_run_scratch& scratch, length_token* tokens, int token_count);

// Appends one token standing for `zeros` zeros (1, 3..18 or 20..531); returns the new count.
int push_zero_run(length_token* tokens, int token_count, int zeros);

}  // namespace encoder
