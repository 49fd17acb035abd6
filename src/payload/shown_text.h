// Text as both programs show it, handed piece by piece to a writer: mkinstaller appends to its streams,
// the installer writes to a FILE without allocating. Texts taken from a payload are shown with their
// control characters escaped, so that a crafted one cannot move the cursor or retitle the window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>

namespace payload {

// Where a formatter's pieces go: `write(context, piece)` for each, in order.
struct text_writer {
    void* context;
    void (*write)(void* context, std::string_view piece);
    void operator()(std::string_view piece) const { write(context, piece); }
};

// A writer handing each piece to `sink(piece)`; `sink` must outlive it.
template <typename Sink>
text_writer writer_to(Sink& sink) {
    return {const_cast<std::remove_const_t<Sink>*>(&sink),
            [](void* context, std::string_view piece) { (*static_cast<Sink*>(context))(piece); }};
}

// Decodes the character at `at` of `text`: returns its size in bytes (1 to 4) with its code point in
// `code`, or 0 when the bytes there are not valid UTF-8 (a stray continuation byte, a sequence cut short,
// an overlong form, a surrogate, a value past U+10FFFF). `at` must lie within `text`.
std::size_t decode_utf8(std::string_view text, std::size_t at, char32_t& code);

// What a terminal takes for a command, at `at` of `text`: C0 and DEL, C1 (U+0080 to U+009F) written as
// UTF-8, and a byte 0x80 to 0x9F that begins no UTF-8 character, which a terminal reading 8-bit
// controls takes for C1 (0x9B for ESC [). Returns the size of the control character there, or 0.
std::size_t control_size_at(std::string_view text, std::size_t at);

// Whether `text` holds a control character as control_size_at finds them, a line feed left aside with
// `line_feeds_allowed` (the lines of a multi-line text).
bool has_control(std::string_view text, bool line_feeds_allowed);

// Each byte of a control character as \a \b \t \n \v \f \r where those exist, otherwise \xHH (lowercase
// hex), but a line feed as it is with `keep_line_feeds`; a backslash as \\ with `backslashes`; every
// other byte as it is.
void write_escaped(std::string_view text, bool backslashes, bool keep_line_feeds, const text_writer& out);

// A name or text taken from outside as messages show it: escaped with its backslashes, in double quotes.
void write_shown(std::string_view text, const text_writer& out);

// A number in decimal.
void write_number(std::int64_t value, const text_writer& out);

}  // namespace payload
