// Digests as text.
#include "builder/util/sha256.h"

namespace builder {

std::string sha256_hex(const sha256_digest& digest) {
    static constexpr char HEX_DIGITS[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += HEX_DIGITS[byte >> 4];
        text += HEX_DIGITS[byte & 0xf];
    }
    return text;
}

}  // namespace builder
