// Test-only writer of compressed streams, field by field, most significant bit first as the decoder reads
// them; plus canonical code assignment and the length form of the small alphabets. Knows nothing of blocks
// (stream_builder.h does).
#pragma once

#include <cstdint>
#include <vector>

namespace decoder_test {

class bit_writer {
  public:
    // Appends the low `width` bits of value, most significant first.
    void put(std::uint32_t value, int width);
    std::size_t bit_count() const { return bits_; }
    // The bits so far, the last byte filled with zero bits.
    std::vector<std::uint8_t> bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bits_ = 0;
};

// Canonical codes for a list of lengths: shorter codes first, one length's codes in symbol order, the first
// code all zeros. codes[s] is meaningful only where lengths[s] is nonzero.
std::vector<std::uint32_t> canonical_codes(const std::vector<std::uint8_t>& lengths);

// Lengths of a complete prefix code over the used symbols (at least two): as balanced as possible.
std::vector<std::uint8_t> balanced_lengths(const std::vector<bool>& used);

// A small alphabet's length: 0..6 as three bits, from 7 on 111, a 1 bit per unit above 7 and a closing 0.
void put_length_form(bit_writer& w, unsigned length);

}  // namespace decoder_test
