// Escaping for the terminal, as the installer's reports escape (payload/shown_text.h).
#include "builder/util/display_text.h"

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
