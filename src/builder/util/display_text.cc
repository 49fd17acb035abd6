// Escaping for the terminal.
#include "builder/util/display_text.h"

#include "builder/util/utf8.h"

namespace builder {
namespace {

// The size of the character at `at`: a whole UTF-8 character, else the one byte.
std::size_t character_size_at(std::string_view text, std::size_t at, char32_t& code) {
    const std::size_t size = decode_utf8(text, at, code);
    if (size != 0) return size;
    code = static_cast<unsigned char>(text[at]);
    return 1;
}

// `text` with every byte of its control characters escaped, and backslashes too when `backslashes`.
std::string escaped(std::string_view text, bool backslashes, bool keep_line_feeds) {
    static constexpr char NAMED[] = "abtnvfr";  // the escapes of bytes 7 to 13
    static constexpr char HEX[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t control = control_size_at(text, at);
        if (control == 0) {
            char32_t code = 0;
            const std::size_t size = character_size_at(text, at, code);
            if (backslashes && code == '\\') out += '\\';
            out.append(text.substr(at, size));
            at += size;
            continue;
        }
        for (const char ch : text.substr(at, control)) {
            const auto c = static_cast<unsigned char>(ch);
            if (keep_line_feeds && c == '\n') {
                out += ch;
            } else if (c >= 7 && c <= 13) {
                out += '\\';
                out += NAMED[c - 7];
            } else {
                out += "\\x";
                out += HEX[c >> 4];
                out += HEX[c & 0xF];
            }
        }
        at += control;
    }
    return out;
}

}  // namespace

std::size_t control_size_at(std::string_view text, std::size_t at) {
    char32_t code = 0;
    const std::size_t size = character_size_at(text, at, code);
    return is_control(code) ? size : 0;
}

bool has_control_byte(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (control_size_at(text, at) != 0) return true;
        char32_t code = 0;
        at += character_size_at(text, at, code);
    }
    return false;
}

std::string display_text(std::string_view bytes) {
    return escaped(bytes, true, false);
}

std::string terminal_text(std::string_view message) {
    return escaped(message, false, true);
}

std::string shown(std::string_view text) {
    return "\"" + display_text(text) + "\"";
}

}  // namespace builder
