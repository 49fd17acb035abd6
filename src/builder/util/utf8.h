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

// The columns a terminal gives a printable character: 2 for the wide and fullwidth ones of East Asian
// scripts (and the emoji drawn so), 0 for a combining mark, which sits on the character before it, 1 for
// every other. From a table of ranges, so that the limits of a text are the same on every machine.
int display_columns(char32_t code);

// How messages name a byte that is not UTF-8 ("0xC3") and a character that is refused ("U+0009").
std::string hex_byte(unsigned char byte);
std::string code_point_text(char32_t code);

}  // namespace builder
