// Text from a payload (names, header texts) made safe to show on a terminal: control bytes would
// otherwise move the cursor, clear lines or paint text that the program never wrote.
#pragma once

#include <string>
#include <string_view>

namespace builder {

// C0 control bytes and DEL as \a \b \t \n \v \f \r where those exist, otherwise \xHH (lowercase hex); a
// backslash as \\; every other byte as it is.
std::string display_text(std::string_view bytes);

}  // namespace builder
