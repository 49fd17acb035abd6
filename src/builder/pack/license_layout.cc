// The licence text's layout: UTF-8 checks, tab expansion and wrapping, line by line.
#include "builder/pack/license_layout.h"

#include <algorithm>
#include <vector>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/input_file.h"
#include "builder/util/utf8.h"

namespace builder {
namespace {

constexpr std::string_view LAYOUT_BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// One column of a line: the bytes of the character drawn there within the line as laid out so far. A
// wide character fills two columns with the same bytes; a combining mark joins the column before it.
struct character {
    std::size_t start = 0;
    std::size_t size = 0;
    bool blank = false;
};

// The characters of source line `number`, checked and with its tabs expanded into `out`.
std::vector<character> expand_line(std::string_view line, std::size_t number, const std::string& path,
                                   std::string& out) {
    std::vector<character> characters;
    const auto where = [&](std::size_t column) {
        return "licence " + shown(path) + " line " + std::to_string(number) + " column " +
               std::to_string(column + 1) + ": ";
    };
    for (std::size_t at = 0; at < line.size();) {
        char32_t code = 0;
        const std::size_t size = decode_utf8(line, at, code);
        if (size == 0) {
            throw error(where(characters.size()) + "not UTF-8 (byte " +
                        hex_byte(static_cast<unsigned char>(line[at])) + "); the text must be UTF-8");
        }
        if (code == '\t') {
            do {
                characters.push_back({out.size(), 1, true});
                out += ' ';
            } while (characters.size() % LICENSE_TAB_COLUMNS != 0);
        } else if (is_control(code)) {
            throw error(where(characters.size()) + "control character " + code_point_text(code) +
                        "; only printable characters, tabs and line ends may appear");
        } else if (const int columns = display_columns(code); columns == 0 && !characters.empty()) {
            const std::size_t start = characters.back().start;
            for (auto cell = characters.rbegin(); cell != characters.rend() && cell->start == start; ++cell)
                cell->size += size;
            out.append(line.substr(at, size));
        } else {
            for (int column = 0; column < std::max(columns, 1); ++column)
                characters.push_back({out.size(), size, code == ' '});
            out.append(line.substr(at, size));
        }
        at += size;
    }
    return characters;
}

// Appends the characters [from, to) of a laid-out line and a line feed.
void emit(std::string& text, const std::string& expanded, const std::vector<character>& characters,
          std::size_t from, std::size_t to) {
    if (from < to) {
        const std::size_t start = characters[from].start;
        text.append(expanded, start, characters[to - 1].start + characters[to - 1].size - start);
    }
    text += '\n';
}

// Wraps one expanded line into `text`. A break goes at the last blank that leaves at most the wrap width
// before it, with text before it; without one the first word, however long, gets the line.
void wrap_line(std::string& text, const std::string& expanded, const std::vector<character>& characters) {
    std::size_t from = 0;
    const std::size_t count = characters.size();
    while (count - from > LICENSE_WRAP_COLUMNS) {
        std::size_t first_word = from;
        while (first_word < count && characters[first_word].blank) ++first_word;
        if (first_word == count) break;  // only blanks are left: they end the line
        std::size_t end = 0;
        for (std::size_t i = from + LICENSE_WRAP_COLUMNS; i > first_word; --i) {
            if (characters[i].blank) {
                end = i;
                break;
            }
        }
        if (end == 0) {
            end = first_word;
            while (end < count && !characters[end].blank) ++end;
        } else {
            while (characters[end - 1].blank) --end;
        }
        emit(text, expanded, characters, from, end);
        from = end;
        while (from < count && characters[from].blank) ++from;
        if (from == count) return;
    }
    emit(text, expanded, characters, from, count - from > LICENSE_WRAP_COLUMNS ? from : count);
}

bool is_blank_line(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

std::string lay_out_license(std::string_view bytes, const std::string& path) {
    if (bytes.starts_with(LAYOUT_BYTE_ORDER_MARK)) bytes.remove_prefix(LAYOUT_BYTE_ORDER_MARK.size());
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t feed = bytes.find('\n');
        std::string_view line = bytes.substr(0, feed);
        bytes.remove_prefix(feed == std::string_view::npos ? bytes.size() : feed + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);  // CR LF, or a CR at the very end
        lines.push_back(line);
    }
    // Blank lines at the end would only add presses of Enter to the slow display.
    while (!lines.empty() && is_blank_line(lines.back())) lines.pop_back();
    if (lines.empty()) throw error("licence " + shown(path) + " holds no text");

    std::string text;
    std::string expanded;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        expanded.clear();
        const std::vector<character> characters = expand_line(lines[i], i + 1, path, expanded);
        wrap_line(text, expanded, characters);
    }
    return text;
}

std::string load_license_file(const std::string& path) {
    return lay_out_license(read_input_file(path, "", "licence ", LICENSE_FILE_MAX_SIZE), path);
}

}  // namespace builder
