// Test-only block builder: the header's three lists of lengths and the symbols, from a token list.
#include "stream_builder.h"

#include <algorithm>
#include <stdexcept>

#include "decoder/chunk_loop.h"
#include "decoder/stream_format.h"

namespace decoder_test {

namespace {

constexpr int SYMBOLS = 510;
constexpr int CLASSES = 14;
constexpr int LENGTH_CODES = 19;

struct length_code {
    unsigned code;
    unsigned extra;
    int extra_bits;
};

// Symbol lengths as length codes: runs of zeros by codes 1 and 2, everything else one code each.
std::vector<length_code> length_codes_for(const std::vector<std::uint8_t>& lengths) {
    std::vector<length_code> out;
    std::size_t i = 0;
    while (i < lengths.size()) {
        if (lengths[i] != 0) {
            out.push_back({lengths[i] + 2u, 0, 0});
            ++i;
            continue;
        }
        std::size_t run = 0;
        while (i + run < lengths.size() && lengths[i + run] == 0) ++run;
        if (run >= 20) {
            run = std::min<std::size_t>(run, 531);
            out.push_back({2, static_cast<unsigned>(run - 20), 9});
        } else if (run >= 3) {
            run = std::min<std::size_t>(run, 18);  // 19 zeros: 18, then one more by code 0
            out.push_back({1, static_cast<unsigned>(run - 3), 4});
        } else {
            run = 1;
            out.push_back({0, 0, 0});
        }
        i += run;
    }
    return out;
}

// A small alphabet's list: count, lengths in the length form, a zero run after the third when asked for.
void put_aux_list(bit_writer& w, std::vector<std::uint8_t> lengths, int count_width, bool zero_run) {
    while (!lengths.empty() && lengths.back() == 0) lengths.pop_back();
    if (zero_run && lengths.size() < 3) lengths.resize(3, 0);
    w.put(static_cast<std::uint32_t>(lengths.size()), count_width);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        put_length_form(w, lengths[i]);
        if (zero_run && i == 2) {
            unsigned z = 0;
            while (z < 3 && i + 1 + z < lengths.size() && lengths[i + 1 + z] == 0) ++z;
            w.put(z, 2);
            i += z;
        }
    }
}

std::vector<std::uint8_t> lengths_for(const std::vector<bool>& used) {
    return balanced_lengths(used);
}

// With explicit lengths, a symbol the block needs may have length 0: refuse to write a stream that lies.
void check_code(const std::vector<std::uint8_t>& lengths, unsigned code) {
    if (lengths[code] == 0) throw std::logic_error("block uses a symbol that has no code");
}

}  // namespace

token literal(std::uint8_t byte) {
    return token{false, byte, 0, 0};
}

token match(unsigned length, unsigned back) {
    return token{true, 0, length, back};
}

unsigned match_symbol(unsigned length) {
    return length + 253;
}

void distance_fields(unsigned back, unsigned* distance_class, unsigned* extra, int* extra_bits) {
    const unsigned d = back - 1;
    if (d == 0) {
        *distance_class = 0;
        *extra = 0;
        *extra_bits = 0;
        return;
    }
    unsigned p = 1;
    while ((1u << p) <= d) ++p;  // 2^(p-1) <= d < 2^p
    *distance_class = p;
    *extra_bits = static_cast<int>(p) - 1;
    *extra = d - (1u << (p - 1));
}

void put_single_length_code(bit_writer& w, unsigned code) {
    w.put(0, decoder::FORMAT_LENGTH_CODE_COUNT_BITS);
    w.put(code, decoder::FORMAT_LENGTH_CODE_COUNT_BITS);
}

void put_single_symbol(bit_writer& w, unsigned symbol) {
    w.put(0, decoder::FORMAT_SYMBOL_COUNT_BITS);
    w.put(symbol, decoder::FORMAT_SYMBOL_COUNT_BITS);
}

void put_single_class(bit_writer& w, unsigned distance_class) {
    w.put(0, decoder::FORMAT_CLASS_COUNT_BITS);
    w.put(distance_class, decoder::FORMAT_CLASS_COUNT_BITS);
}

void put_single_symbol_block(bit_writer& w, std::uint32_t size, unsigned symbol, unsigned distance_class) {
    w.put(size, decoder::FORMAT_BLOCK_SIZE_BITS);
    put_single_length_code(w, 0);
    put_single_symbol(w, symbol);
    put_single_class(w, distance_class);
}

void put_length_code_list(bit_writer& w, unsigned count, const std::vector<unsigned>& lengths,
                          unsigned zero_run) {
    w.put(count, decoder::FORMAT_LENGTH_CODE_COUNT_BITS);
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        put_length_form(w, lengths[i]);
        if (i + 1 == decoder::FORMAT_ZERO_RUN_AFTER) w.put(zero_run, decoder::FORMAT_ZERO_RUN_BITS);
    }
}

void put_block(bit_writer& w, const std::vector<token>& tokens) {
    put_block(w, tokens, static_cast<std::uint32_t>(tokens.size()));
}

void put_block(bit_writer& w, const std::vector<token>& tokens, std::uint32_t block_size,
               const block_codes& codes) {
    std::vector<bool> symbol_used(SYMBOLS, false);
    std::vector<bool> class_used(CLASSES, false);
    for (const token& t : tokens) {
        if (!t.is_match) {
            symbol_used[t.literal] = true;
            continue;
        }
        symbol_used[match_symbol(t.length)] = true;
        unsigned c, x;
        int xb;
        distance_fields(t.back, &c, &x, &xb);
        class_used[c] = true;
    }
    const auto symbols_in_use = std::count(symbol_used.begin(), symbol_used.end(), true);
    const auto classes_in_use = std::count(class_used.begin(), class_used.end(), true);

    w.put(block_size, 16);

    const bool symbol_list_form = symbols_in_use >= 2 || !codes.symbol_lengths.empty();
    std::vector<std::uint8_t> symbol_lengths(SYMBOLS, 0);
    std::vector<length_code> symbol_list;
    if (symbol_list_form) {
        symbol_lengths = codes.symbol_lengths.empty() ? lengths_for(symbol_used) : codes.symbol_lengths;
        symbol_list = length_codes_for(symbol_lengths);
    }

    // Length codes: single-code form when the symbol list uses one code, or when there is no list.
    std::vector<bool> code_used(LENGTH_CODES, false);
    for (const length_code& c : symbol_list) code_used[c.code] = true;
    const auto codes_in_use = std::count(code_used.begin(), code_used.end(), true);
    std::vector<std::uint8_t> code_lengths(LENGTH_CODES, 0);
    if (codes_in_use >= 2 || !codes.code_lengths.empty()) {
        code_lengths = codes.code_lengths.empty() ? lengths_for(code_used) : codes.code_lengths;
        put_aux_list(w, code_lengths, 5, true);
    } else {
        const auto only = std::find(code_used.begin(), code_used.end(), true);
        put_single_length_code(w,
                               only == code_used.end() ? 0 : static_cast<unsigned>(only - code_used.begin()));
    }
    const auto code_codes = canonical_codes(code_lengths);

    if (symbol_list_form) {
        w.put(SYMBOLS, 9);
        for (const length_code& c : symbol_list) {
            if (codes_in_use >= 2 || !codes.code_lengths.empty()) check_code(code_lengths, c.code);
            w.put(code_codes[c.code], code_lengths[c.code]);
            w.put(c.extra, c.extra_bits);
        }
    } else {
        const auto only = std::find(symbol_used.begin(), symbol_used.end(), true);
        put_single_symbol(w,
                          only == symbol_used.end() ? 0 : static_cast<unsigned>(only - symbol_used.begin()));
    }
    const auto symbol_codes = canonical_codes(symbol_lengths);

    std::vector<std::uint8_t> class_lengths(CLASSES, 0);
    const bool class_list_form = classes_in_use >= 2 || !codes.class_lengths.empty();
    if (class_list_form) {
        class_lengths = codes.class_lengths.empty() ? lengths_for(class_used) : codes.class_lengths;
        put_aux_list(w, class_lengths, 4, false);
    } else {
        const auto only = std::find(class_used.begin(), class_used.end(), true);
        put_single_class(w, only == class_used.end() ? 0 : static_cast<unsigned>(only - class_used.begin()));
    }
    const auto class_codes = canonical_codes(class_lengths);

    for (const token& t : tokens) {
        const unsigned s = t.is_match ? match_symbol(t.length) : t.literal;
        if (symbol_list_form) check_code(symbol_lengths, s);
        w.put(symbol_codes[s], symbol_lengths[s]);
        if (!t.is_match) continue;
        unsigned c, x;
        int xb;
        distance_fields(t.back, &c, &x, &xb);
        if (class_list_form) check_code(class_lengths, c);
        w.put(class_codes[c], class_lengths[c]);
        w.put(x, xb);
    }
}

std::vector<std::uint8_t> expand(const std::vector<token>& tokens) {
    std::vector<std::uint8_t> out;
    for (const token& t : tokens) {
        if (!t.is_match) {
            out.push_back(t.literal);
            continue;
        }
        for (unsigned i = 0; i < t.length; ++i) {
            const auto from = static_cast<long>(out.size()) - static_cast<long>(t.back);
            out.push_back(from < 0 ? 0 : out[static_cast<std::size_t>(from)]);
        }
    }
    return out;
}

decoded_file decode_chunk_by_chunk(const std::vector<std::uint8_t>& stream, std::size_t file_size) {
    decoded_file result;
    result.bytes.assign(file_size, 0xEE);
    decoder::codec_context* ctx = nullptr;
    if (decoder::codec_open(&ctx) != 0) {
        result.results.push_back(decoder::CODEC_ERR_MEMORY);
        return result;
    }
    decoder::input_span input{stream.data(), stream.data() + stream.size()};
    // Every call is recorded, a failed context's repeats too.
    decoder::decode_in_chunks(ctx, &input, result.bytes.data(), file_size, [&](std::size_t, int call_result) {
        result.results.push_back(call_result);
        return true;
    });
    result.input_used = static_cast<std::size_t>(input.next - stream.data());
    decoder::codec_close(&ctx);
    return result;
}

}  // namespace decoder_test
