// Canonical code assignment. The decoder starts the codes of length L + 1 where those of length L end,
// counted in 16-bit units; doubling the next free code at each length step is the same rule.
#include "encoder/canonical_codes.h"

#include <array>

#include "encoder/format.h"

namespace encoder {

void assign_canonical_codes(const std::uint8_t* lengths, int count, std::uint16_t* codes) {
    std::array<std::uint32_t, decoder::FORMAT_MAX_CODE_LENGTH + 1> per_length{};
    for (int s = 0; s < count; ++s) ++per_length[lengths[s]];
    per_length[0] = 0;
    std::array<std::uint32_t, decoder::FORMAT_MAX_CODE_LENGTH + 1> next_code{};
    std::uint32_t code = 0;
    for (int length = 1; length <= decoder::FORMAT_MAX_CODE_LENGTH; ++length) {
        code = (code + per_length[length - 1]) << 1;
        next_code[length] = code;
    }
    for (int s = 0; s < count; ++s) {
        codes[s] = lengths[s] == 0 ? 0 : static_cast<std::uint16_t>(next_code[lengths[s]]++);
    }
}

}  // namespace encoder
