#include "payload/link_target.h"

namespace payload {
namespace {

// The directories above a link named `link_name`: one per '/' (an empty component counts none, as the
// system treats "a//b" as "a/b"; "." components count none either).
std::size_t directory_depth(std::string_view link_name) {
    std::size_t depth = 0;
    for (std::size_t start = 0;;) {
        const std::size_t slash = link_name.find('/', start);
        if (slash == std::string_view::npos) return depth;
        const std::string_view component = link_name.substr(start, slash - start);
        if (!component.empty() && component != ".") ++depth;
        start = slash + 1;
    }
}

}  // namespace

link_fault link_target_fault(std::string_view target, std::string_view link_name) {
    if (target.empty()) return link_fault::empty;
    if (target.size() > LINK_TARGET_MAX) return link_fault::too_long;
    for (const char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) return link_fault::control_byte;
    }
    if (target.front() == '/') return link_fault::absolute;
    std::size_t climbs = 0;
    bool named = false;  // a name met: no ".." may follow
    for (std::size_t start = 0; start <= target.size();) {
        std::size_t slash = target.find('/', start);
        if (slash == std::string_view::npos) slash = target.size();
        const std::string_view component = target.substr(start, slash - start);
        if (component == "..") {
            if (named) return link_fault::parent_in_path;
            ++climbs;
        } else if (!component.empty() && component != ".") {
            named = true;
        }
        start = slash + 1;
    }
    return climbs > directory_depth(link_name) ? link_fault::leaves_target : link_fault::none;
}

}  // namespace payload
