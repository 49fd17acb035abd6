// Escaping for the terminal.
#include "builder/util/display_text.h"

#include <algorithm>

#include "builder/util/error.h"

namespace builder {

bool has_control_byte(std::string_view text) {
    return std::any_of(text.begin(), text.end(), is_control_byte);
}

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
        } else if (is_control_byte(ch)) {
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string shown(std::string_view text) {
    return in_quotes(display_text(text));
}

}  // namespace builder
