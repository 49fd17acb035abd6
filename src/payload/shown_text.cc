// Escaping for the terminal, shared by the installer's reports and mkinstaller's.
#include "payload/shown_text.h"

#include <charconv>

#include "payload/control_character.h"

namespace payload {
namespace {

// The size of the character at `at`: a whole UTF-8 character, else the one byte.
std::size_t character_size_at(std::string_view text, std::size_t at, char32_t& code) {
    const std::size_t size = decode_utf8(text, at, code);
    if (size != 0) return size;
    code = static_cast<unsigned char>(text[at]);
    return 1;
}

}  // namespace

std::size_t decode_utf8(std::string_view text, std::size_t at, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    std::size_t size = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        size = 2, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        size = 3, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        size = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + size > text.size()) return 0;
    for (std::size_t i = 1; i < size; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = code << 6 | (byte(i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return size;
}

std::size_t control_size_at(std::string_view text, std::size_t at) {
    char32_t code = 0;
    const std::size_t size = character_size_at(text, at, code);
    return is_control(code) ? size : 0;
}

bool has_control(std::string_view text, bool line_feeds_allowed) {
    // Escaping lengthens each control character it meets and leaves every other byte as it is.
    std::size_t length = 0;
    const auto count = [&length](std::string_view piece) { length += piece.size(); };
    write_escaped(text, false, line_feeds_allowed, writer_to(count));
    return length != text.size();
}

void write_escaped(std::string_view text, bool backslashes, bool keep_line_feeds, const text_writer& out) {
    static constexpr char NAMED[] = "abtnvfr";  // the escapes of bytes 7 to 13
    static constexpr char HEX[] = "0123456789abcdef";
    // Plain bytes leave in runs, so that a writer is called once per run rather than per byte.
    std::size_t run = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t control = control_size_at(text, at);
        if (control == 0) {
            char32_t code = 0;
            const std::size_t size = character_size_at(text, at, code);
            if (backslashes && code == '\\') {
                out(text.substr(run, at + 1 - run));
                run = at;  // the backslash again, doubled
            }
            at += size;
            continue;
        }
        out(text.substr(run, at - run));
        for (const char ch : text.substr(at, control)) {
            const auto c = static_cast<unsigned char>(ch);
            if (keep_line_feeds && c == '\n') {
                out(std::string_view("\n"));
            } else if (c >= 7 && c <= 13) {
                const char escape[] = {'\\', NAMED[c - 7]};
                out(std::string_view(escape, sizeof escape));
            } else {
                const char escape[] = {'\\', 'x', HEX[c >> 4], HEX[c & 0xF]};
                out(std::string_view(escape, sizeof escape));
            }
        }
        at += control;
        run = at;
    }
    out(text.substr(run));
}

void write_shown(std::string_view text, const text_writer& out) {
    out(std::string_view("\""));
    write_escaped(text, true, false, out);
    out(std::string_view("\""));
}

void write_number(std::int64_t value, const text_writer& out) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

}  // namespace payload
