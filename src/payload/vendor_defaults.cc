#include "payload/vendor_defaults.h"

#include <algorithm>

namespace payload {

bool has_blank(std::string_view path) {
    return path.find_first_of(" \t") != std::string_view::npos;
}

bool is_root_spelling(std::string_view path) {
    return path == "/" || path == "/." || path == "/..";
}

bool is_in_bin(std::string_view path) {
    return path.find("/bin/") != std::string_view::npos;
}

bool is_under_root(std::string_view path, std::span<const std::string_view> roots) {
    return std::ranges::any_of(roots, [&](std::string_view root) { return path.starts_with(root); });
}

std::string outside_roots_message(std::span<const std::string_view> roots) {
    std::string message = "\n\nInstalling anywhere other than under ";
    for (std::size_t i = 0; i < roots.size(); ++i) {
        if (i > 0) message += i + 1 == roots.size() ? " or " : ", ";
        std::string_view shown = roots[i];
        if (shown.size() > 1 && shown.back() == '/') shown.remove_suffix(1);
        message.append("'").append(shown).append("'");
    }
    message += " directories is not recommended.\n";
    return message;
}

}  // namespace payload
