// The name rules shared by the installer and mkinstaller.
#include "payload/record_name.h"

#include <algorithm>

namespace payload {
namespace {

// Calls `is_wanted` on each component of `name` from the left, until it returns true; returns whether one
// did.
template <typename Predicate>
bool any_component(std::string_view name, Predicate is_wanted) {
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        if (is_wanted(name.substr(start, end - start))) return true;
        if (end == name.size()) return false;
        start = end + 1;
    }
}

}  // namespace

bool is_unsafe_name(std::string_view name) {
    return name.starts_with('/') || any_component(name, [](std::string_view part) { return part == ".."; });
}

name_fault plain_name_fault(std::string_view name) {
    if (name.starts_with('/')) return name_fault::absolute;
    if (name.find('\\') != std::string_view::npos) return name_fault::backslash;
    name_fault fault = name_fault::none;
    any_component(name, [&fault](std::string_view part) {
        if (part == "..") fault = name_fault::parent_component;
        if (part.empty() || part == ".") fault = name_fault::empty_or_dot_component;
        return fault != name_fault::none;
    });
    return fault;
}

std::vector<std::string_view> name_components(std::string_view name) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        parts.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string_view last_name_component(std::string_view name) {
    if (name.size() < 2) return name;
    for (std::size_t k = name.size() - 1; k-- > 0;) {
        if (is_name_separator(name[k])) return name.substr(k + 1);
    }
    return name;
}

std::size_t parent_length(std::string_view path) {
    if (path.empty()) return 0;
    if (is_name_separator(path.back())) return path.size() - 1;
    std::size_t k = path.size() - 1;
    while (k > 0 && !is_name_separator(path[k])) --k;
    return k;
}

}  // namespace payload
