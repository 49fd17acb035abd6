// Escaping of control bytes for display.
#include "builder/display_text.h"

namespace builder {

std::string display_text(std::string_view text) {
    static constexpr char HEX_DIGITS[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7f && byte != '\\') {
            shown += c;
            continue;
        }
        shown += '\\';
        switch (byte) {
            case '\a':
                shown += 'a';
                break;
            case '\b':
                shown += 'b';
                break;
            case '\t':
                shown += 't';
                break;
            case '\n':
                shown += 'n';
                break;
            case '\v':
                shown += 'v';
                break;
            case '\f':
                shown += 'f';
                break;
            case '\r':
                shown += 'r';
                break;
            case '\\':
                shown += '\\';
                break;
            default:
                shown += 'x';
                shown += HEX_DIGITS[byte >> 4];
                shown += HEX_DIGITS[byte & 0xf];
        }
    }
    return shown;
}

}  // namespace builder
