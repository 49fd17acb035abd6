// JSON string literals for the documents of list --json and diff --json. Names are bytes, not necessarily
// UTF-8: valid UTF-8 passes through (its control characters as \u00XX), and a byte that is part of no valid
// sequence becomes the four characters \xHH (lowercase hex) of the string, so that the document always
// parses and a raw 0x9B, U+009B and 0xFF stay three strings rather than one or Latin-1 text.
#pragma once

#include <string>
#include <string_view>

namespace builder {

// A name or text as the payload holds it: its backslashes doubled in the string, so that a name spelling
// "\x9b" is not the one holding the byte.
std::string json_string(std::string_view bytes);

// A message whose quoted parts are already escaped (display_text.h): its backslashes stay single.
std::string json_message(std::string_view message);

}  // namespace builder
