// JSON string escaping.
#include "builder/util/json_text.h"

#include <cstdio>

#include "builder/util/utf8.h"
#include "payload/control_character.h"

namespace builder {
namespace {

std::string escaped_byte(unsigned char c) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04X", c);
    return text;
}

}  // namespace

std::string json_string(std::string_view bytes) {
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (payload::is_ascii_control(c)) {
            out += escaped_byte(c);
        } else if (c >= 0x80) {
            char32_t code = 0;
            const std::size_t length = decode_utf8(bytes, i, code);
            if (length == 0) {
                out += escaped_byte(c);
                ++i;
            } else if (is_control(code)) {  // C1: U+0080 to U+009F
                out += escaped_byte(static_cast<unsigned char>(code));
                i += length;
            } else {
                out.append(bytes.substr(i, length));
                i += length;
            }
            continue;
        } else {
            out += static_cast<char>(c);
        }
        ++i;
    }
    return out + "\"";
}

}  // namespace builder
