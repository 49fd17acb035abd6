// Text from a payload (names, header texts) made safe to show on a terminal: control bytes would
// otherwise move the cursor, clear lines or paint text that the program never wrote.
#pragma once

#include <string>
#include <string_view>

namespace builder {

// C0 control bytes and DEL: what a terminal takes for commands. Names and header texts with one are
// refused at build time; texts read back from a payload are escaped.
inline bool is_control_byte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}
bool has_control_byte(std::string_view text);

// C0 control bytes and DEL as \a \b \t \n \v \f \r where those exist, otherwise \xHH (lowercase hex); a
// backslash as \\; every other byte as it is.
std::string display_text(std::string_view bytes);

// `text` as messages show a name or a text taken from outside: display_text in double quotes.
std::string shown(std::string_view text);

}  // namespace builder
