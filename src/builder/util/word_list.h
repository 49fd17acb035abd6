// Words joined as prose lists them, for messages and usage texts worded from a table.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace builder {

// "a, b and c" with `last` " and "; "a, b, c" with ", ".
std::string word_list(std::span<const std::string_view> words, std::string_view last);

}  // namespace builder
