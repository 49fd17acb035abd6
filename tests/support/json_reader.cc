#include "support/json_reader.h"

#include <stdexcept>
#include <string_view>

namespace testing_support {
namespace {

class json_parser {
  public:
    explicit json_parser(std::string_view text) : text_(text) {}

    json_value document() {
        json_value value = parse_value();
        skip_blanks();
        if (at_ != text_.size()) fail("text after the document");
        return value;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(what + " at offset " + std::to_string(at_));
    }
    void skip_blanks() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\t' || text_[at_] == '\r'))
            ++at_;
    }
    char peek() {
        skip_blanks();
        if (at_ == text_.size()) fail("unexpected end");
        return text_[at_];
    }
    void expect(char c) {
        if (peek() != c) fail(std::string("expected ") + c);
        ++at_;
    }
    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    json_value parse_value() {
        const char c = peek();
        if (c == '{') return parse_object();
        if (c == '[') return parse_array();
        if (c == '"') return json_value{parse_string()};
        if (literal("true")) return json_value{true};
        if (literal("false")) return json_value{false};
        if (literal("null")) return json_value{nullptr};
        return parse_number();
    }
    json_value parse_object() {
        expect('{');
        json_object object;
        if (peek() == '}') {
            ++at_;
            return json_value{object};
        }
        for (;;) {
            if (peek() != '"') fail("expected a member name");
            std::string key = parse_string();
            expect(':');
            if (!object.emplace(key, parse_value()).second) fail("duplicate member " + key);
            if (peek() == '}') break;
            expect(',');
        }
        ++at_;
        return json_value{object};
    }
    json_value parse_array() {
        expect('[');
        json_array array;
        if (peek() == ']') {
            ++at_;
            return json_value{array};
        }
        for (;;) {
            array.push_back(parse_value());
            if (peek() == ']') break;
            expect(',');
        }
        ++at_;
        return json_value{array};
    }
    json_value parse_number() {
        const std::size_t start = at_;
        if (text_[at_] == '-') ++at_;
        if (at_ == text_.size() || !std::isdigit(static_cast<unsigned char>(text_[at_]))) fail("bad value");
        if (text_[at_] == '0' && at_ + 1 < text_.size() &&
            std::isdigit(static_cast<unsigned char>(text_[at_ + 1])))
            fail("leading zero");
        while (at_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[at_]))) ++at_;
        return json_value{json_number{std::string(text_.substr(start, at_ - start))}};
    }
    // Appends code point `cp` (at most 0xFFFF here) as UTF-8.
    static void append_utf8(std::string& out, unsigned cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    std::string parse_string() {
        expect('"');
        std::string out;
        for (;;) {
            if (at_ == text_.size()) fail("unterminated string");
            const auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') return out;
            if (c < 0x20) fail("raw control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at_ == text_.size()) fail("unterminated escape");
            const char e = text_[at_++];
            static const std::map<char, char> simple = {{'"', '"'},  {'\\', '\\'}, {'/', '/'},  {'b', '\b'},
                                                        {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'}};
            if (const auto s = simple.find(e); s != simple.end()) {
                out += s->second;
            } else if (e == 'u' && at_ + 4 <= text_.size()) {
                append_utf8(
                    out, static_cast<unsigned>(std::stoul(std::string(text_.substr(at_, 4)), nullptr, 16)));
                at_ += 4;
            } else {
                fail("bad escape");
            }
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace

json_value parse_json(const std::string& text) {
    return json_parser(text).document();
}

}  // namespace testing_support
