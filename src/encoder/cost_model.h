// Estimated bit costs of literals and matches under the statistics gathered so far, for the parser's
// choice between a held match and a longer one that starts a byte later. Estimates only; exact sizes come
// from block_plan.h.
#pragma once

#include <array>
#include <cstdint>

#include "encoder/block_plan.h"

namespace encoder {

// Costs are in sixteenths of a bit.
constexpr std::uint32_t ENCODER_COST_SCALE = 16;

struct cost_model {
    std::array<std::uint32_t, decoder::FORMAT_SYMBOL_COUNT> symbol_cost;
    std::array<std::uint32_t, decoder::FORMAT_CLASS_COUNT> class_cost;
};

// Costs as -log2 of each symbol's share in the two sets of statistics taken together; with too little
// seen, fixed guesses that favour literals of eight bits.
void estimate_costs(const block_stats& first, const block_stats& second, cost_model& model);

inline std::uint32_t match_cost(const cost_model& model, std::uint32_t length, std::uint32_t distance) {
    const int dist_class = distance_class(distance);
    return model.symbol_cost[match_symbol(length)] + model.class_cost[dist_class] +
           static_cast<std::uint32_t>(class_extra_bits(dist_class)) * ENCODER_COST_SCALE;
}

}  // namespace encoder
