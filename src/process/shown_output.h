// Texts from the payload and the stub's regions on their way to the terminal. An installer carrying
// vendor settings shows them with their control characters escaped (payload::write_escaped), so that a
// crafted text cannot move the cursor or retitle the window; one without keeps its output as it always
// was, byte for byte.
#pragma once

#include <cstdio>
#include <span>
#include <string_view>

#include "payload/shown_text.h"

namespace process {

// Whether texts are escaped: the profile region is written.
bool texts_escaped();

// Hands `text` to `out`, escaped when texts_escaped(), else as it is. `lines` keeps the line feeds a
// multi-line text is made of.
void show_text(std::string_view text, const payload::text_writer& out, bool lines = false);

// show_text to `stream`.
void write_text(std::FILE* stream, std::string_view text, bool lines = false);

// A text from the payload or a region among fixed words.
struct shown {
    std::string_view text;
    bool lines = false;
};

// Pieces gathered in a fixed buffer, so that they reach the unbuffered standard error in one write; what
// passes its end is dropped, never written past it. Escaped, a text may take four times its bytes. An
// `emit` for the product lines (payload/product_text.h).
struct gathered_text {
    std::span<char> room;
    std::size_t length = 0;

    void operator()(std::string_view piece);
    void operator()(shown piece);  // through show_text
    std::string_view text() const { return {room.data(), length}; }
    void write(std::FILE* stream) const;
};

}  // namespace process
