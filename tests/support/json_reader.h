// A strict JSON reader for tests (the RFC 8259 grammar; numbers kept as text), so that the suites that
// read JSON output need no JSON library.
#pragma once

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace testing_support {

struct json_value;
using json_object = std::map<std::string, json_value>;
using json_array = std::vector<json_value>;
struct json_number {
    std::string text;
};
struct json_value {
    std::variant<std::nullptr_t, bool, json_number, std::string, json_array, json_object> v;

    const json_value& operator[](const std::string& key) const {
        const auto& object = std::get<json_object>(v);
        const auto found = object.find(key);
        if (found == object.end()) throw std::runtime_error("no member " + key);
        return found->second;
    }
    const json_value& operator[](std::size_t i) const { return std::get<json_array>(v).at(i); }
    const std::string& str() const { return std::get<std::string>(v); }
    long long num() const { return std::stoll(std::get<json_number>(v).text); }
    std::size_t size() const { return std::get<json_array>(v).size(); }
    bool has(const std::string& key) const { return std::get<json_object>(v).count(key) != 0; }
};

// The document `text` holds; throws std::runtime_error naming the offset where it stops being JSON.
json_value parse_json(const std::string& text);

}  // namespace testing_support
