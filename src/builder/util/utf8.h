// UTF-8 as the Unicode standard defines it, for the texts mkinstaller checks (a vendor's licence) and
// passes on (names in JSON documents).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "payload/control_character.h"
#include "payload/shown_text.h"

namespace builder {

// The decoding the installer's reports use too (payload/shown_text.h).
using payload::decode_utf8;

// Nothing a text meant for a terminal may carry (payload/control_character.h).
using payload::is_control;

// How messages name a byte that is not UTF-8 ("0xC3") and a character that is refused ("U+0009").
std::string hex_byte(unsigned char byte);
std::string code_point_text(char32_t code);

}  // namespace builder
