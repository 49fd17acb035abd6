// Greedy and lazy parsing. Lazy matching holds each match back for one position: if the next position
// starts a longer match, the held one shrinks to a literal. The positions a taken match covers still enter
// the chains, since later data often repeats from inside a match; the fast levels skip that for long
// matches, where it costs the most and helps the least.
#include "encoder/parser.h"

#include <algorithm>

#include "encoder/cost_model.h"

namespace encoder {

namespace {

// The cost estimates are refreshed after this many input bytes at first, the interval doubling up to
// the last value: small files need early estimates, large ones gain nothing from frequent refreshes.
constexpr std::uint32_t ENCODER_FIRST_REFRESH = 1024;
constexpr std::uint32_t ENCODER_REFRESH_INTERVAL = 16384;

void push_literal(block_splitter& splitter, unsigned char byte) {
    push_symbol(splitter, lz_symbol{byte, 0});
}

void push_match(block_splitter& splitter, std::uint32_t length, std::uint32_t distance) {
    push_symbol(splitter, lz_symbol{match_symbol(length), static_cast<std::uint16_t>(distance)});
}

// Positions from which three bytes can be hashed.
bool hashable(const match_finder& finder, std::uint32_t pos) {
    return pos + decoder::FORMAT_MIN_MATCH <= finder.size;
}

void parse_greedy(match_finder& finder, block_splitter& splitter, const level_settings& settings) {
    const match_search search{settings.max_chain, settings.nice_length, ENCODER_FAR_SHORT_MATCH};
    std::uint32_t pos = 0;
    while (pos < finder.size) {
        std::uint32_t length = 0;
        std::uint32_t distance = 0;
        if (hashable(finder, pos)) {
            const match_candidates candidates = insert_position(finder, pos);
            length = longest_match(finder, pos, candidates, decoder::FORMAT_MIN_MATCH - 1, search, distance);
        }
        if (length < decoder::FORMAT_MIN_MATCH) {
            push_literal(splitter, finder.data[pos++]);
            continue;
        }
        push_match(splitter, length, distance);
        const std::uint32_t end = pos + length;
        if (length <= settings.lazy_length) {
            for (++pos; pos < end && hashable(finder, pos); ++pos) insert_position(finder, pos);
        }
        pos = end;
    }
}

// Whether the match held at pos - 1 costs less than a literal there plus the longer match found at pos.
// After the held match, the longer one's tail remains, as a match when long enough, else as literals.
bool held_match_pays(const match_finder& finder, const cost_model& model, std::uint32_t pos,
                     std::uint32_t held_length, std::uint32_t held_distance, std::uint32_t length,
                     std::uint32_t distance) {
    std::uint32_t keep = match_cost(model, held_length, held_distance);
    const std::uint32_t tail = length + 1 - held_length;
    if (tail >= decoder::FORMAT_MIN_MATCH) {
        keep += match_cost(model, tail, distance);
    } else {
        for (std::uint32_t i = 0; i < tail; ++i)
            keep += model.symbol_cost[finder.data[pos - 1 + held_length + i]];
    }
    const std::uint32_t switch_cost =
        model.symbol_cost[finder.data[pos - 1]] + match_cost(model, length, distance);
    return keep <= switch_cost;
}

// Whether a match costs fewer bits than its bytes sent as literals. A 3-byte match far back often does not.
bool match_beats_literals(const match_finder& finder, const cost_model& model, std::uint32_t pos,
                          std::uint32_t length, std::uint32_t distance) {
    std::uint32_t literals = 0;
    for (std::uint32_t i = 0; i < length; ++i) literals += model.symbol_cost[finder.data[pos + i]];
    return match_cost(model, length, distance) < literals;
}

void parse_lazy(match_finder& finder, block_splitter& splitter, const level_settings& settings) {
    cost_model model;
    estimate_costs(splitter.block, splitter.segment, model);
    std::uint32_t refresh_step = ENCODER_FIRST_REFRESH;
    std::uint32_t next_refresh = refresh_step;
    std::uint32_t held_length = 0;  // the match starting at pos - 1, when held
    std::uint32_t held_distance = 0;
    bool held_literal = false;  // the byte at pos - 1 still waits to be sent
    std::uint32_t pos = 0;
    while (pos < finder.size) {
        if (pos >= next_refresh) {
            estimate_costs(splitter.block, splitter.segment, model);
            refresh_step = std::min(2 * refresh_step, ENCODER_REFRESH_INTERVAL);
            next_refresh = pos + refresh_step;
        }
        std::uint32_t length = 0;
        std::uint32_t distance = 0;
        if (hashable(finder, pos)) {
            const match_candidates candidates = insert_position(finder, pos);
            if (held_length < settings.lazy_length) {
                // Every 3-byte match is found; the costs decide whether it pays.
                match_search search{settings.max_chain, settings.nice_length, decoder::FORMAT_WINDOW_SIZE};
                if (held_length >= settings.good_length) search.max_chain = search.max_chain / 4 + 1;
                const std::uint32_t floor =
                    held_length >= decoder::FORMAT_MIN_MATCH ? held_length : decoder::FORMAT_MIN_MATCH - 1;
                length = longest_match(finder, pos, candidates, floor, search, distance);
                if (length == floor) length = 0;
                if (length == decoder::FORMAT_MIN_MATCH &&
                    !match_beats_literals(finder, model, pos, length, distance))
                    length = 0;
            }
        }
        if (held_length >= decoder::FORMAT_MIN_MATCH &&
            (length <= held_length ||
             held_match_pays(finder, model, pos, held_length, held_distance, length, distance))) {
            push_match(splitter, held_length, held_distance);
            const std::uint32_t end = pos - 1 + held_length;
            for (++pos; pos < end && hashable(finder, pos); ++pos) insert_position(finder, pos);
            pos = end;
            held_length = 0;
            held_literal = false;
            continue;
        }
        if (held_literal) push_literal(splitter, finder.data[pos - 1]);
        held_literal = true;
        held_length = length;
        held_distance = distance;
        ++pos;
    }
    if (held_literal) push_literal(splitter, finder.data[pos - 1]);
}

}  // namespace

void parse_input(match_finder& finder, block_splitter& splitter, const level_settings& settings) {
    if (settings.lazy) {
        parse_lazy(finder, splitter, settings);
    } else {
        parse_greedy(finder, splitter, settings);
    }
}

}  // namespace encoder
