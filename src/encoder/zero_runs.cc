// Zero-run pricing by dynamic programming over the run length: the cheapest split of r zeros is the
// cheapest of one more token after a cheapest split of fewer.
#include "encoder/zero_runs.h"

#include <algorithm>

namespace encoder {

void price_zero_runs(const zero_run_bits& bits, int max_run, zero_run_scratch& scratch) {
    const std::uint32_t one = bits.one_zero;
    const std::uint32_t short_run = bits.short_run + decoder::FORMAT_SHORT_RUN_BITS;
    const std::uint32_t long_run = bits.long_run + decoder::FORMAT_LONG_RUN_BITS;
    // Runs are counted in int here.
    constexpr int short_run_min = static_cast<int>(decoder::FORMAT_SHORT_RUN_MIN);
    constexpr int long_run_min = static_cast<int>(decoder::FORMAT_LONG_RUN_MIN);
    auto& cost = scratch.cost;
    auto& step = scratch.step;
    cost[0] = 0;
    for (int r = 1; r <= max_run; ++r) {
        std::uint32_t best = std::min(cost[r - 1] + one, ENCODER_NO_CODE);
        int best_step = 1;
        for (int k = short_run_min; k <= std::min(r, ENCODER_SHORT_RUN_MAX); ++k) {
            if (cost[r - k] + short_run < best) {
                best = cost[r - k] + short_run;
                best_step = k;
            }
        }
        if (r >= long_run_min) {
            // Costs never fall below cost[0] = 0, so one long run is the best long-run ending for any run
            // it can cover whole; only longer runs search for the best place to start it.
            int from = std::max(0, r - ENCODER_LONG_RUN_MAX);
            for (int j = from + 1; from > 0 && j <= r - long_run_min; ++j) {
                if (cost[j] < cost[from]) from = j;
            }
            if (cost[from] + long_run < best) {
                best = cost[from] + long_run;
                best_step = r - from;
            }
        }
        cost[r] = best;
        step[r] = static_cast<std::uint16_t>(best_step);
    }
}

int cheapest_zero_run(int zeros, const zero_run_scratch& scratch, length_token* tokens, int token_count) {
    while (zeros > 0) {
        const int step = scratch.step[zeros];
        token_count = push_zero_run(tokens, token_count, step);
        zeros -= step;
    }
    return token_count;
}

int push_zero_run(length_token* tokens, int token_count, int zeros) {
    if (zeros == 1) {
        tokens[token_count++] = {decoder::FORMAT_CODE_ONE_ZERO, 0};
    } else if (zeros <= ENCODER_SHORT_RUN_MAX) {
        tokens[token_count++] = {decoder::FORMAT_CODE_SHORT_RUN,
                                 static_cast<std::uint16_t>(zeros - decoder::FORMAT_SHORT_RUN_MIN)};
    } else {
        tokens[token_count++] = {decoder::FORMAT_CODE_LONG_RUN,
                                 static_cast<std::uint16_t>(zeros - decoder::FORMAT_LONG_RUN_MIN)};
    }
    return token_count;
}

}  // namespace encoder
