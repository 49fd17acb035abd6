// JSON string literals for the documents of list --json and diff --json. Names are bytes, not necessarily
// UTF-8: valid UTF-8 passes through, and every byte that is not part of a valid sequence is written as
// \u00XX (the byte's value), so that the document always parses.
#pragma once

#include <string>
#include <string_view>

namespace builder {

std::string json_string(std::string_view bytes);

}  // namespace builder
