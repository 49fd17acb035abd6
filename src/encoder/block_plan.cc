// Block planning. The symbol lengths travel as length codes whose own code depends on which run codes
// are chosen, and the cheapest run codes depend on that code; so a plain tokenisation fixes a first code,
// the cheapest tokenisation under that code follows, and whichever of the two costs fewer bits in total
// is kept. The length codes' own lengths are tried under a few limits, since a length above 6 costs more
// than three bits in the header.
#include "encoder/block_plan.h"

#include <algorithm>

#include "encoder/canonical_codes.h"

namespace encoder {

namespace {

// Limits tried for the length codes' lengths; the first is the format's own limit.
constexpr std::array<int, 4> ENCODER_LENGTH_CODE_LIMITS = {decoder::FORMAT_MAX_CODE_LENGTH, 7, 6, 5};

// In a block of at most this many symbols, the symbol lengths are also tried under the tighter limits.
// The rare symbols of a small block get long codes of many different lengths, and each distinct length
// makes the length codes dearer to send; a flatter code often costs fewer bits in the header than it adds
// to the symbols. In larger blocks the symbols outweigh the header and the tries rarely pay.
constexpr std::uint32_t ENCODER_SMALL_BLOCK = 8192;
constexpr std::array<int, 2> ENCODER_SMALL_BLOCK_LIMITS = {11, 9};

int sent_count_of(const std::uint8_t* lengths, int count) {
    while (count > 0 && lengths[count - 1] == 0) --count;
    return count;
}

// Header bits of a small alphabet's lengths in the length form, the count field included.
template <int N>
std::uint64_t small_alphabet_bits(const alphabet_code<N>& code, int count_bits, bool zero_run) {
    std::uint64_t bits = static_cast<std::uint64_t>(count_bits);
    if (code.used < 2) return bits + count_bits;
    int i = 0;
    while (i < code.sent_count) {
        bits += static_cast<std::uint64_t>(length_form_bits(code.lengths[i]));
        ++i;
        if (zero_run && i == decoder::FORMAT_ZERO_RUN_AFTER) {
            bits += decoder::FORMAT_ZERO_RUN_BITS;
            i += zero_run_after_third(code.lengths, code.sent_count);
        }
    }
    return bits;
}

template <int N>
void choose_lengths(const std::uint32_t* frequencies, int max_length, alphabet_code<N>& code,
                    code_length_scratch& scratch) {
    code.used = build_code_lengths(frequencies, N, max_length, code.lengths.data(), scratch);
    code.sent_count = code.used < 2 ? 0 : sent_count_of(code.lengths.data(), N);
    code.single = 0;
    if (code.used == 1) {
        code.single = static_cast<int>(
            std::find_if(frequencies, frequencies + N, [](std::uint32_t f) { return f != 0; }) - frequencies);
    }
}

int token_extra_bits(int code) {
    if (code == decoder::FORMAT_CODE_SHORT_RUN) return decoder::FORMAT_SHORT_RUN_BITS;
    if (code == decoder::FORMAT_CODE_LONG_RUN) return decoder::FORMAT_LONG_RUN_BITS;
    return 0;
}

template <int N>
std::uint32_t code_bits(const alphabet_code<N>& code, int symbol) {
    if (code.used < 2) return symbol == code.single ? 0 : ENCODER_NO_CODE;
    return code.lengths[symbol] == 0 ? ENCODER_NO_CODE : code.lengths[symbol];
}

// Prices the length-code section for these tokens: picks the cheapest code for them and returns the
// count field, the length list and every token's code and extra bits.
std::uint64_t price_length_codes(const length_token* tokens, int token_count,
                                 alphabet_code<decoder::FORMAT_LENGTH_CODE_COUNT>& best,
                                 code_length_scratch& scratch) {
    std::array<std::uint32_t, decoder::FORMAT_LENGTH_CODE_COUNT> frequencies{};
    std::uint64_t extra = 0;
    for (int t = 0; t < token_count; ++t) {
        ++frequencies[tokens[t].code];
        extra += static_cast<std::uint64_t>(token_extra_bits(tokens[t].code));
    }
    std::uint64_t best_bits = ~std::uint64_t{0};
    alphabet_code<decoder::FORMAT_LENGTH_CODE_COUNT> trial;
    int longest = decoder::FORMAT_MAX_CODE_LENGTH + 1;  // of the code under the first limit, once known
    for (const int limit : ENCODER_LENGTH_CODE_LIMITS) {
        if (limit >= longest) continue;  // the limit changes nothing
        choose_lengths(frequencies.data(), limit, trial, scratch);
        if (limit == decoder::FORMAT_MAX_CODE_LENGTH)
            longest = *std::max_element(trial.lengths.begin(), trial.lengths.end());
        std::uint64_t bits = small_alphabet_bits(trial, decoder::FORMAT_LENGTH_CODE_COUNT_BITS, true) + extra;
        if (trial.used >= 2) {
            for (int c = 0; c < decoder::FORMAT_LENGTH_CODE_COUNT; ++c)
                bits += std::uint64_t{frequencies[c]} * trial.lengths[c];
        }
        if (bits < best_bits) {
            best_bits = bits;
            best = trial;
        }
        if (trial.used < 2) break;  // no limit does better than a single code
    }
    return best_bits;
}

// The plain tokenisation: the longest run code that fits, single zeros for what is left.
void plain_run(length_token* tokens, int& token_count, int zeros) {
    while (zeros > 0) {
        int step = 1;
        if (zeros >= static_cast<int>(decoder::FORMAT_LONG_RUN_MIN)) {
            step = std::min(zeros, ENCODER_LONG_RUN_MAX);
        } else if (zeros >= static_cast<int>(decoder::FORMAT_SHORT_RUN_MIN)) {
            step = std::min(zeros, ENCODER_SHORT_RUN_MAX);
        }
        token_count = push_zero_run(tokens, token_count, step);
        zeros -= step;
    }
}

zero_run_bits run_bits_of(const alphabet_code<decoder::FORMAT_LENGTH_CODE_COUNT>& code) {
    return zero_run_bits{code_bits(code, decoder::FORMAT_CODE_ONE_ZERO),
                         code_bits(code, decoder::FORMAT_CODE_SHORT_RUN),
                         code_bits(code, decoder::FORMAT_CODE_LONG_RUN)};
}

// Tokenises symbol lengths [0, sent_count): with cheapest set, zero runs follow scratch.run_step.
int tokenize_lengths(const std::uint8_t* lengths, int sent_count, bool cheapest, const plan_scratch& scratch,
                     length_token* tokens) {
    int token_count = 0;
    int i = 0;
    while (i < sent_count) {
        if (lengths[i] != 0) {
            tokens[token_count++] = {static_cast<std::uint8_t>(lengths[i] + decoder::FORMAT_CODE_LENGTH_BASE),
                                     0};
            ++i;
            continue;
        }
        int zeros = 0;
        while (i + zeros < sent_count && lengths[i + zeros] == 0) ++zeros;
        i += zeros;
        if (!cheapest) {
            plain_run(tokens, token_count, zeros);
            continue;
        }
        token_count = cheapest_zero_run(zeros, scratch.runs, tokens, token_count);
    }
    return token_count;
}

int longest_zero_run(const std::uint8_t* lengths, int sent_count) {
    int longest = 0;
    int run = 0;
    for (int i = 0; i < sent_count; ++i) {
        run = lengths[i] == 0 ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

}  // namespace

void add_stats(block_stats& into, const block_stats& from) {
    for (int s = 0; s < decoder::FORMAT_SYMBOL_COUNT; ++s)
        into.symbol_frequencies[s] += from.symbol_frequencies[s];
    for (int c = 0; c < decoder::FORMAT_CLASS_COUNT; ++c)
        into.class_frequencies[c] += from.class_frequencies[c];
    into.symbol_total += from.symbol_total;
    into.extra_bits += from.extra_bits;
}

std::uint64_t plan_block(const block_stats& stats, block_plan& plan, plan_scratch& scratch,
                         int symbol_limit) {
    plan.block_size = stats.symbol_total;
    std::uint64_t header = decoder::FORMAT_BLOCK_SIZE_BITS;
    std::uint64_t body = stats.extra_bits;

    choose_lengths(stats.symbol_frequencies.data(), symbol_limit, plan.symbols, scratch.lengths);
    if (plan.symbols.used < 2) {
        // No symbol lengths are sent, so the length codes go in the cheapest form, whatever their code.
        plan.length_codes.used = 0;
        plan.length_codes.single = 0;
        plan.length_codes.sent_count = 0;
        plan.token_count = 0;
        header += 2 * decoder::FORMAT_LENGTH_CODE_COUNT_BITS + 2 * decoder::FORMAT_SYMBOL_COUNT_BITS;
    } else {
        for (int s = 0; s < decoder::FORMAT_SYMBOL_COUNT; ++s) {
            body += std::uint64_t{stats.symbol_frequencies[s]} * plan.symbols.lengths[s];
        }
        const std::uint8_t* lengths = plan.symbols.lengths.data();
        const int sent = plan.symbols.sent_count;
        alphabet_code<decoder::FORMAT_LENGTH_CODE_COUNT> first_code;
        const int first_count = tokenize_lengths(lengths, sent, false, scratch, scratch.first_tokens.data());
        const std::uint64_t first_bits =
            price_length_codes(scratch.first_tokens.data(), first_count, first_code, scratch.lengths);
        price_zero_runs(run_bits_of(first_code), longest_zero_run(lengths, sent), scratch.runs);
        plan.token_count = tokenize_lengths(lengths, sent, true, scratch, plan.tokens.data());
        std::uint64_t bits =
            price_length_codes(plan.tokens.data(), plan.token_count, plan.length_codes, scratch.lengths);
        if (first_bits < bits) {
            bits = first_bits;
            plan.length_codes = first_code;
            plan.token_count = first_count;
            std::copy_n(scratch.first_tokens.begin(), first_count, plan.tokens.begin());
        }
        header += decoder::FORMAT_SYMBOL_COUNT_BITS + bits;
    }

    choose_lengths(stats.class_frequencies.data(), decoder::FORMAT_MAX_CODE_LENGTH, plan.classes,
                   scratch.lengths);
    header += small_alphabet_bits(plan.classes, decoder::FORMAT_CLASS_COUNT_BITS, false);
    if (plan.classes.used >= 2) {
        for (int c = 0; c < decoder::FORMAT_CLASS_COUNT; ++c) {
            body += std::uint64_t{stats.class_frequencies[c]} * plan.classes.lengths[c];
        }
    }
    plan.header_bits = header;
    plan.body_bits = body;
    return header + body;
}

std::uint64_t plan_block_to_write(const block_stats& stats, block_plan& plan, plan_scratch& scratch) {
    std::uint64_t bits = plan_block(stats, plan, scratch);
    if (stats.symbol_total > ENCODER_SMALL_BLOCK) return bits;
    const int longest = *std::max_element(plan.symbols.lengths.begin(), plan.symbols.lengths.end());
    for (const int limit : ENCODER_SMALL_BLOCK_LIMITS) {
        if (limit >= longest) continue;  // the limit changes nothing
        const std::uint64_t trial_bits = plan_block(stats, scratch.trial, scratch, limit);
        if (trial_bits < bits) {
            bits = trial_bits;
            plan = scratch.trial;
        }
    }
    return bits;
}

void assign_plan_codes(block_plan& plan) {
    if (plan.symbols.used >= 2) {
        assign_canonical_codes(plan.symbols.lengths.data(), decoder::FORMAT_SYMBOL_COUNT,
                               plan.symbols.codes.data());
    }
    if (plan.length_codes.used >= 2) {
        assign_canonical_codes(plan.length_codes.lengths.data(), decoder::FORMAT_LENGTH_CODE_COUNT,
                               plan.length_codes.codes.data());
    }
    if (plan.classes.used >= 2) {
        assign_canonical_codes(plan.classes.lengths.data(), decoder::FORMAT_CLASS_COUNT,
                               plan.classes.codes.data());
    }
}

}  // namespace encoder
