// Escaping for the terminal, as the installer's reports escape (payload/shown_text.h).
#include "builder/util/display_text.h"

#include "builder/util/utf8.h"

namespace builder {
namespace {

std::string escaped(std::string_view text, bool backslashes, bool keep_line_feeds) {
    std::string out;
    out.reserve(text.size());
    const auto append = [&out](std::string_view piece) { out.append(piece); };
    payload::write_escaped(text, backslashes, keep_line_feeds, payload::writer_to(append));
    return out;
}

}  // namespace

bool has_control_byte(std::string_view text) {
    return payload::has_control(text, false);
}

std::string control_character_fault(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const std::size_t size = payload::decode_utf8(text, at, code);
        if (control_size_at(text, at) != 0) {
            if (size == 0)
                return "byte " + hex_byte(static_cast<unsigned char>(text[at])) + ", a C1 control on its own";
            return "control character " + code_point_text(code);
        }
        at += size != 0 ? size : 1;
    }
    return "";
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
