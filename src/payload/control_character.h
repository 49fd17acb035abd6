// What a terminal takes for a command rather than for text: the one definition of a control character
// that the installer's checks and mkinstaller's checks and escapes share.
#pragma once

namespace payload {

// C0 (tab and line feed included), DEL and C1 (U+0080 to U+009F).
constexpr bool is_control(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// A byte that is a control character by itself: C0 or DEL. A byte from 0x80 up may be part of a UTF-8
// character, so a check byte by byte cannot judge it.
constexpr bool is_ascii_control(unsigned char byte) {
    return byte < 0x80 && is_control(byte);
}

}  // namespace payload
