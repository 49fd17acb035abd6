// Cost estimation. A symbol not seen yet is priced as if it were a little rarer than the rarest seen,
// so a parse is not locked out of symbols the statistics have not met.
#include "encoder/cost_model.h"

#include <cmath>

namespace encoder {

namespace {

// Fewer symbols than this and the statistics say too little; the fixed guesses serve instead.
constexpr std::uint32_t ENCODER_MIN_COST_SAMPLE = 256;

template <std::size_t N>
void costs_from(const std::array<std::uint32_t, N>& first, const std::array<std::uint32_t, N>& second,
                std::array<std::uint32_t, N>& cost) {
    std::uint64_t total = 0;
    for (std::size_t s = 0; s < N; ++s) total += first[s] + second[s];
    const double unseen = std::log2(static_cast<double>(total) + 1.0) + 2.0;
    for (std::size_t s = 0; s < N; ++s) {
        const std::uint32_t count = first[s] + second[s];
        const double bits = count == 0 ? unseen : std::log2(static_cast<double>(total) / count);
        cost[s] = static_cast<std::uint32_t>(std::lround(std::max(bits, 1.0) * ENCODER_COST_SCALE));
    }
}

}  // namespace

void estimate_costs(const block_stats& first, const block_stats& second, cost_model& model) {
    if (first.symbol_total + second.symbol_total < ENCODER_MIN_COST_SAMPLE) {
        for (int s = 0; s < ENCODER_SYMBOL_COUNT; ++s) {
            model.symbol_cost[s] = (s < ENCODER_LITERAL_COUNT ? 8 : 10) * ENCODER_COST_SCALE;
        }
        model.class_cost.fill(4 * ENCODER_COST_SCALE);
        return;
    }
    costs_from(first.symbol_frequencies, second.symbol_frequencies, model.symbol_cost);
    costs_from(first.class_frequencies, second.class_frequencies, model.class_cost);
}

}  // namespace encoder
