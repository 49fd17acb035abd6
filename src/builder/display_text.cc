// Escaping for the terminal.
#include "builder/display_text.h"

namespace builder {

std::string display_text(std::string_view bytes) {
    static constexpr char NAMED[] = "abtnvfr";  // the escapes of bytes 7 to 13
    static constexpr char HEX[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 7 && c <= 13) {
            out += '\\';
            out += NAMED[c - 7];
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace builder
