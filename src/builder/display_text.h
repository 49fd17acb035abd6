// Text shown on a terminal: names and header texts from a source tree or a payload, written so that their
// control bytes can neither move the cursor, clear the screen nor forge a line of their own.
#pragma once

#include <string>
#include <string_view>

namespace builder {

// C0 bytes and DEL as \a \b \t \n \v \f \r where those exist, otherwise as \xHH (lowercase hex); a
// backslash as \\; every other byte as it is.
std::string display_text(std::string_view text);

}  // namespace builder
