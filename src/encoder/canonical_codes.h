// Canonical codes from code lengths, assigned exactly as the decoder's table construction does: shorter
// codes before longer ones, codes of one length in symbol order, the first code all zero bits. Nothing
// about how the lengths were chosen or sent.
#pragma once

#include <cstdint>

namespace encoder {

// codes[s] receives the lengths[s] low bits of symbol s's code, to be sent most significant bit first.
// Presumes the nonzero lengths form a complete code of at most 16 bits.
void assign_canonical_codes(const std::uint8_t* lengths, int count, std::uint16_t* codes);

}  // namespace encoder
