// JSON string escaping.
#include "builder/util/json_text.h"

#include <cstdio>

#include "builder/util/utf8.h"
#include "payload/control_character.h"

namespace builder {
namespace {

std::string escaped_code(char32_t code) {
    char text[8];
    std::snprintf(text, sizeof text, "\\u%04X", static_cast<unsigned>(code));
    return text;
}

// `bytes` as a JSON string; with `backslashes` a backslash of them stands as two in the string.
std::string json_text(std::string_view bytes, bool backslashes) {
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        char32_t code = 0;
        const std::size_t length = decode_utf8(bytes, i, code);
        if (length == 0) {
            char text[8];
            std::snprintf(text, sizeof text, "\\\\x%02x", c);
            out += text;
            ++i;
            continue;
        }
        if (c == '"') {
            out += "\\\"";
        } else if (c == '\\') {
            out += backslashes ? "\\\\\\\\" : "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (is_control(code)) {  // C0, DEL and C1 (U+0080 to U+009F)
            out += escaped_code(code);
        } else {
            out.append(bytes.substr(i, length));
        }
        i += length;
    }
    return out + "\"";
}

}  // namespace

std::string json_string(std::string_view bytes) {
    return json_text(bytes, true);
}

std::string json_message(std::string_view message) {
    return json_text(message, false);
}

}  // namespace builder
