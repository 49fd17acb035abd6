// Cost estimation. A symbol not seen yet is priced as if it were a little rarer than the rarest seen,
// so a parse is not locked out of symbols the statistics have not met.
#include "encoder/cost_model.h"

#include <bit>
#include <cmath>

namespace encoder {

namespace {

// Fewer symbols than this and the statistics say too little; the fixed guesses serve instead.
constexpr std::uint32_t ENCODER_MIN_COST_SAMPLE = 256;

// 16 * log2(x) for x >= 1, rounded, from the position of the leading bit and a table over the next eight
// bits: the parse refreshes its costs often on small files, where the library's log2 showed in profiles.
std::uint32_t scaled_log2(std::uint64_t x) {
    static const std::array<std::uint16_t, 256> fraction = [] {
        std::array<std::uint16_t, 256> table{};
        for (int i = 0; i < 256; ++i) {
            table[i] =
                static_cast<std::uint16_t>(std::lround(std::log2(1.0 + i / 256.0) * ENCODER_COST_SCALE));
        }
        return table;
    }();
    const int top = static_cast<int>(std::bit_width(x)) - 1;
    const std::uint64_t next8 = top >= 8 ? (x >> (top - 8)) & 255 : (x << (8 - top)) & 255;
    return static_cast<std::uint32_t>(top) * ENCODER_COST_SCALE + fraction[next8];
}

template <std::size_t N>
void costs_from(const std::array<std::uint32_t, N>& first, const std::array<std::uint32_t, N>& second,
                std::array<std::uint32_t, N>& cost) {
    std::uint64_t total = 0;
    for (std::size_t s = 0; s < N; ++s) total += first[s] + second[s];
    const std::uint32_t log_total = scaled_log2(total);
    const std::uint32_t unseen = scaled_log2(total + 1) + 2 * ENCODER_COST_SCALE;
    for (std::size_t s = 0; s < N; ++s) {
        const std::uint32_t count = first[s] + second[s];
        const std::uint32_t bits = count == 0 ? unseen : log_total - scaled_log2(count);
        cost[s] = std::max(bits, ENCODER_COST_SCALE);
    }
}

}  // namespace

void estimate_costs(const block_stats& first, const block_stats& second, cost_model& model) {
    if (first.symbol_total + second.symbol_total < ENCODER_MIN_COST_SAMPLE) {
        for (int s = 0; s < decoder::FORMAT_SYMBOL_COUNT; ++s) {
            model.symbol_cost[s] =
                (s < static_cast<int>(decoder::FORMAT_LITERAL_COUNT) ? 8 : 10) * ENCODER_COST_SCALE;
        }
        model.class_cost.fill(4 * ENCODER_COST_SCALE);
        return;
    }
    costs_from(first.symbol_frequencies, second.symbol_frequencies, model.symbol_cost);
    costs_from(first.class_frequencies, second.class_frequencies, model.class_cost);
}

}  // namespace encoder
