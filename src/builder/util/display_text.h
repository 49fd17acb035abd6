// Text from a payload or from outside (names, header texts, paths and arguments) made safe to show on a
// terminal: control characters would otherwise move the cursor, clear lines, retitle the window or paint
// text that the program never wrote.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace builder {

// What a terminal takes for a command, at `at` of `text`: C0 and DEL, C1 (U+0080 to U+009F) written as
// UTF-8, and a byte 0x80 to 0x9F that begins no UTF-8 character, which a terminal reading 8-bit
// controls takes for C1 (0x9B for ESC [). Returns the size of the control character there, or 0.
std::size_t control_size_at(std::string_view text, std::size_t at);

// Whether `text` holds a control character as control_size_at finds them. Names and header texts with
// one are refused at build time; texts read back from a payload are escaped.
bool has_control_byte(std::string_view text);

// Each byte of a control character as \a \b \t \n \v \f \r where those exist, otherwise \xHH (lowercase
// hex); a backslash as \\; every other byte as it is.
std::string display_text(std::string_view bytes);

// display_text for a whole message, whose parts taken from outside are already escaped where quoted:
// only control characters are escaped, backslashes and line feeds (between its lines) stay.
std::string terminal_text(std::string_view message);

// `text` as messages show a name or a text taken from outside: display_text in double quotes.
std::string shown(std::string_view text);

}  // namespace builder
