// UTF-8 as the Unicode standard defines it, for the texts mkinstaller checks (a vendor's licence) and
// passes on (names in JSON documents).
#pragma once

#include <cstddef>
#include <string_view>

namespace builder {

// Decodes the character at `at` of `text`: returns its size in bytes (1 to 4) with its code point in
// `code`, or 0 when the bytes there are not valid UTF-8 (a stray continuation byte, a sequence cut short,
// an overlong form, a surrogate, a value past U+10FFFF). `at` must lie within `text`.
std::size_t decode_utf8(std::string_view text, std::size_t at, char32_t& code);

}  // namespace builder
