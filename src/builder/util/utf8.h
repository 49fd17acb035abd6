// UTF-8 as the Unicode standard defines it, for the texts mkinstaller checks (a vendor's licence) and
// passes on (names in JSON documents).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "payload/control_character.h"

namespace builder {

// Decodes the character at `at` of `text`: returns its size in bytes (1 to 4) with its code point in
// `code`, or 0 when the bytes there are not valid UTF-8 (a stray continuation byte, a sequence cut short,
// an overlong form, a surrogate, a value past U+10FFFF). `at` must lie within `text`.
std::size_t decode_utf8(std::string_view text, std::size_t at, char32_t& code);

// Nothing a text meant for a terminal may carry (payload/control_character.h).
using payload::is_control;

// How messages name a byte that is not UTF-8 ("0xC3") and a character that is refused ("U+0009").
std::string hex_byte(unsigned char byte);
std::string code_point_text(char32_t code);

}  // namespace builder
