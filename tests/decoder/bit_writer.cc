// Test-only bit writer and canonical code assignment, written from the format's rules, independently of
// the decoder's table construction.
#include "bit_writer.h"

#include <algorithm>

namespace decoder_test {

void bit_writer::put(std::uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        if (bits_ % 8 == 0) bytes_.push_back(0);
        if ((value >> i) & 1) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (bits_ % 8));
        ++bits_;
    }
}

std::vector<std::uint32_t> canonical_codes(const std::vector<std::uint8_t>& lengths) {
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    std::uint32_t code = 0;
    for (unsigned len = 1; len <= 20; ++len) {
        for (std::size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] == len) codes[s] = code++;
        }
        code <<= 1;
    }
    return codes;
}

std::vector<std::uint8_t> balanced_lengths(const std::vector<bool>& used) {
    const auto m = static_cast<unsigned>(std::count(used.begin(), used.end(), true));
    unsigned b = 0;
    while ((1u << b) < m) ++b;
    // 2^b - m codes of length b - 1 and the others of length b make a complete code of m codes.
    unsigned shorter = (1u << b) - m;
    std::vector<std::uint8_t> lengths(used.size(), 0);
    for (std::size_t s = 0; s < used.size(); ++s) {
        if (!used[s]) continue;
        lengths[s] = static_cast<std::uint8_t>(shorter > 0 ? b - 1 : b);
        if (shorter > 0) --shorter;
    }
    return lengths;
}

void put_length_form(bit_writer& w, unsigned length) {
    if (length < 7) {
        w.put(length, 3);
        return;
    }
    w.put(7, 3);
    for (unsigned i = 7; i < length; ++i) w.put(1, 1);
    w.put(0, 1);  // at 20 the decoder takes this bit too, whatever it is
}

}  // namespace decoder_test
