// Text from a payload or from outside (names, header texts, paths and arguments) made safe to show on a
// terminal: control characters would otherwise move the cursor, clear lines, retitle the window or paint
// text that the program never wrote.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "payload/shown_text.h"

namespace builder {

// The escapes the installer's reports make too (payload/shown_text.h).
using payload::control_size_at;

// Whether `text` holds a control character as control_size_at finds them. Names and header texts with
// one are refused at build time; texts read back from a payload are escaped.
bool has_control_byte(std::string_view text);

// The first control character of `text` as messages name it ("control character U+001B", or "byte 0x9B,
// a C1 control on its own" where it is no UTF-8 character), or empty when it holds none.
std::string control_character_fault(std::string_view text);

// Each byte of a control character as \a \b \t \n \v \f \r where those exist, otherwise \xHH (lowercase
// hex); a backslash as \\; every other byte as it is.
std::string display_text(std::string_view bytes);

// display_text for a whole message, whose parts taken from outside are already escaped where quoted:
// only control characters are escaped, backslashes and line feeds (between its lines) stay.
std::string terminal_text(std::string_view message);

// `text` as messages show a name or a text taken from outside: display_text in double quotes.
std::string shown(std::string_view text);

}  // namespace builder
