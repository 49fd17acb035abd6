// Escaping the payload's and the regions' texts in an installer with vendor settings.
#include "process/shown_output.h"

#include <algorithm>
#include <cstring>

#include "process/vendor_settings.h"

namespace process {
namespace {

struct stream_sink {
    std::FILE* stream;
    void operator()(std::string_view piece) const {
        (void)std::fwrite(piece.data(), 1, piece.size(), stream);
    }
};

}  // namespace

bool texts_escaped() {
    return vendor_settings_written();
}

void show_text(std::string_view text, const payload::text_writer& out, bool lines) {
    if (texts_escaped()) {
        payload::write_escaped(text, false, lines, out);
    } else {
        out(text);
    }
}

void write_text(std::FILE* stream, std::string_view text, bool lines) {
    const stream_sink sink{stream};
    show_text(text, payload::writer_to(sink), lines);
}

void gathered_text::operator()(std::string_view piece) {
    const std::size_t taken = std::min(piece.size(), room.size() - length);
    if (taken == 0) return;  // an empty view may hold no address at all
    std::memcpy(room.data() + length, piece.data(), taken);
    length += taken;
}

void gathered_text::operator()(shown piece) {
    show_text(piece.text, payload::writer_to(*this), piece.lines);
}

void gathered_text::write(std::FILE* stream) const {
    std::fwrite(room.data(), 1, length, stream);
}

}  // namespace process
