// Near-optimal parsing. The input is taken in stretches of up to ENCODER_STRETCH bytes. For each, the
// binary trees yield the matches of every position once, into a cache; then each pass finds, from the
// stretch's end backwards, the cheapest way to code the rest from every position, and follows the
// cheapest choices forwards. Costs start from the code lengths of a greedy parse of the stretch and are
// refitted to each pass's own path: a path shaped by its codes shapes the next codes in turn, and a few
// rounds settle. The costs are the code lengths in bits; what the block headers cost is left to the block
// splitter.
#include "encoder/optimal_parser.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "encoder/code_lengths.h"
#include "encoder/match_tree.h"

namespace encoder {
namespace {

// Bytes per stretch: enough for statistics that hold, and at most one block's worth of symbols.
constexpr std::uint32_t ENCODER_STRETCH = 32768;
// Cache room per stretch byte on average; a stretch ends early when the cache is nearly full.
constexpr std::uint32_t ENCODER_CACHE_PER_BYTE = 8;

// Costs in sixteenths of a bit, as in cost_model.h.
constexpr std::uint32_t ENCODER_BIT = 16;

struct path_costs {
    std::array<std::uint32_t, decoder::FORMAT_SYMBOL_COUNT> symbol;
    std::array<std::uint32_t, decoder::FORMAT_CLASS_COUNT> distance;  // class code and extra bits
};

struct optimal_workspace {
    match_tree tree;
    block_stats stats;
    code_length_scratch scratch;
    std::array<std::uint8_t, decoder::FORMAT_SYMBOL_COUNT> symbol_lengths;
    std::array<std::uint8_t, decoder::FORMAT_CLASS_COUNT> class_lengths;
    path_costs costs;
};

// A stretch's matches and the per-position state of a pass, sized for the input.
struct stretch_buffers {
    std::vector<tree_match> cache;
    std::vector<std::uint32_t> first_match;  // per position, index into cache; one more entry at the end
    std::vector<std::uint32_t> cost;         // per position: cheapest cost from there to the stretch's end
    std::vector<tree_match> choice;          // per position: length 1 for a literal, else the match taken
};

// A symbol that the statistics have not met is priced a bit dearer than the rarest one they have.
template <int N>
void costs_from_lengths(const std::uint8_t* lengths, int used, std::uint32_t* cost) {
    int longest = 0;
    for (int s = 0; s < N; ++s) longest = std::max<int>(longest, lengths[s]);
    const std::uint32_t unseen =
        static_cast<std::uint32_t>(std::min(longest + 2, decoder::FORMAT_MAX_CODE_LENGTH));
    for (int s = 0; s < N; ++s) {
        // A lone used symbol goes in single-code form and costs nothing; one bit keeps the parse honest.
        const std::uint32_t bits = lengths[s] != 0 ? lengths[s] : (used == 1 ? 1 : unseen);
        cost[s] = bits * ENCODER_BIT;
    }
}

void fit_costs(optimal_workspace& work) {
    const int used_symbols =
        build_code_lengths(work.stats.symbol_frequencies.data(), decoder::FORMAT_SYMBOL_COUNT,
                           decoder::FORMAT_MAX_CODE_LENGTH, work.symbol_lengths.data(), work.scratch);
    costs_from_lengths<decoder::FORMAT_SYMBOL_COUNT>(work.symbol_lengths.data(), used_symbols,
                                                     work.costs.symbol.data());
    const int used_classes =
        build_code_lengths(work.stats.class_frequencies.data(), decoder::FORMAT_CLASS_COUNT,
                           decoder::FORMAT_MAX_CODE_LENGTH, work.class_lengths.data(), work.scratch);
    costs_from_lengths<decoder::FORMAT_CLASS_COUNT>(work.class_lengths.data(), used_classes,
                                                    work.costs.distance.data());
    for (int c = 0; c < decoder::FORMAT_CLASS_COUNT; ++c)
        work.costs.distance[c] += static_cast<std::uint32_t>(class_extra_bits(c)) * ENCODER_BIT;
}

// Statistics of the greedy parse that takes the longest match everywhere, the first pass's starting point.
void count_greedy(const unsigned char* data, std::uint32_t start, std::uint32_t end,
                  const stretch_buffers& buf, block_stats& stats) {
    clear_stats(stats);
    std::uint32_t pos = start;
    while (pos < end) {
        const std::uint32_t i = pos - start;
        const std::uint32_t count = buf.first_match[i + 1] - buf.first_match[i];
        if (count == 0) {
            count_symbol(stats, lz_symbol{data[pos], 0});
            ++pos;
            continue;
        }
        const tree_match m = buf.cache[buf.first_match[i + 1] - 1];
        const std::uint32_t length = std::min<std::uint32_t>(m.length, end - pos);
        if (length < decoder::FORMAT_MIN_MATCH) {
            count_symbol(stats, lz_symbol{data[pos], 0});
            ++pos;
            continue;
        }
        count_symbol(stats, lz_symbol{match_symbol(length), m.distance});
        pos += length;
    }
}

// One pass: the cheapest cost from every position to the stretch's end, and the choice that gives it.
void cheapest_paths(const unsigned char* data, std::uint32_t start, std::uint32_t end,
                    const path_costs& costs, stretch_buffers& buf) {
    const std::uint32_t n = end - start;
    buf.cost[n] = 0;
    for (std::uint32_t i = n; i-- > 0;) {
        std::uint32_t best = costs.symbol[data[start + i]] + buf.cost[i + 1];
        tree_match best_choice{1, 0};
        const std::uint32_t room = std::min(n - i, decoder::FORMAT_MAX_MATCH);
        std::uint32_t length = decoder::FORMAT_MIN_MATCH;
        for (std::uint32_t k = buf.first_match[i]; k < buf.first_match[i + 1] && length <= room; ++k) {
            const tree_match m = buf.cache[k];
            const std::uint32_t distance_cost = costs.distance[distance_class(m.distance)];
            const std::uint32_t top = std::min<std::uint32_t>(m.length, room);
            const std::uint32_t* length_cost = &costs.symbol[match_symbol(0)];
            for (; length <= top; ++length) {
                const std::uint32_t c = length_cost[length] + distance_cost + buf.cost[i + length];
                if (c < best) {
                    best = c;
                    best_choice = {static_cast<std::uint16_t>(length), m.distance};
                }
            }
        }
        buf.cost[i] = best;
        buf.choice[i] = best_choice;
    }
}

// Follows the cheapest choices from the stretch's start; counts them, and hands them on when splitter is
// not null.
void follow_path(const unsigned char* data, std::uint32_t start, std::uint32_t end,
                 const stretch_buffers& buf, block_stats& stats, block_splitter* splitter) {
    clear_stats(stats);
    std::uint32_t pos = start;
    while (pos < end) {
        const tree_match c = buf.choice[pos - start];
        const lz_symbol item =
            c.length == 1 ? lz_symbol{data[pos], 0} : lz_symbol{match_symbol(c.length), c.distance};
        count_symbol(stats, item);
        if (splitter != nullptr) push_symbol(*splitter, item);
        pos += c.length;
    }
}

}  // namespace

void parse_optimal(const unsigned char* data, std::uint32_t size, block_splitter& splitter,
                   const level_settings& settings) {
    const auto work = std::make_unique_for_overwrite<optimal_workspace>();
    start_match_tree(work->tree, data, size);
    const std::uint32_t stretch = std::min(size, ENCODER_STRETCH);
    stretch_buffers buf;
    buf.cache.resize(std::size_t{stretch} * ENCODER_CACHE_PER_BYTE + ENCODER_MAX_MATCHES_PER_POSITION);
    buf.first_match.resize(stretch + 1);
    buf.cost.resize(stretch + 1);
    buf.choice.resize(stretch);

    std::uint32_t skip = 0;  // positions still inside a match of nice length, entered without a search
    std::uint32_t start = 0;
    while (start < size) {
        // Gather the stretch's matches.
        std::uint32_t end = std::min(size, start + stretch);
        std::uint32_t used = 0;
        for (std::uint32_t pos = start; pos < end; ++pos) {
            buf.first_match[pos - start] = used;
            if (pos + decoder::FORMAT_MIN_MATCH > size) continue;
            if (skip > 0) {
                --skip;
                advance_match_tree(work->tree, pos, settings.nice_length, settings.max_chain, nullptr);
                continue;
            }
            const int count = advance_match_tree(work->tree, pos, settings.nice_length, settings.max_chain,
                                                 &buf.cache[used]);
            if (count > 0 && buf.cache[used + count - 1].length >= settings.nice_length)
                skip = buf.cache[used + count - 1].length - 1;
            used += static_cast<std::uint32_t>(count);
            if (used + ENCODER_MAX_MATCHES_PER_POSITION > buf.cache.size()) end = pos + 1;
        }
        buf.first_match[end - start] = used;

        count_greedy(data, start, end, buf, work->stats);
        for (std::uint32_t pass = 0; pass < settings.passes; ++pass) {
            fit_costs(*work);
            cheapest_paths(data, start, end, work->costs, buf);
            const bool last = pass + 1 == settings.passes;
            follow_path(data, start, end, buf, work->stats, last ? &splitter : nullptr);
        }
        start = end;
    }
}

}  // namespace encoder
