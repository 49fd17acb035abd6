// Which target texts a link entry may carry. The installer makes each link as the payload gives it, so
// the text itself must keep whoever follows the link inside the target directory: relative, its ".."
// components only at its start and never more of them than the link's own directory is deep. A ".."
// after a name could climb out of whatever directory that name turns out to be (another link), so it is
// refused; then by induction no chain of kept links leads outside. mkinstaller refuses at build time
// what the installer refuses here.
#pragma once

#include <cstddef>
#include <string_view>

namespace payload {

// The longest target text: the system's PATH_MAX less its NUL.
constexpr std::size_t LINK_TARGET_MAX = 4095;

enum class link_fault {
    none,
    empty,           // no text
    too_long,        // longer than LINK_TARGET_MAX
    absolute,        // starts with '/'
    control_byte,    // a NUL or another byte below 0x20, or 0x7f
    leaves_target,   // more leading ".." than the link's directory is deep
    parent_in_path,  // a ".." after a name
};

// What is wrong with `target` as the text of a link named `link_name` (a record name, '/'-separated,
// relative to the target directory), or link_fault::none.
link_fault link_target_fault(std::string_view target, std::string_view link_name);

// What is wrong in words, after "its text" or "a link whose text \"...\"": "is absolute".
constexpr std::string_view link_fault_words(link_fault fault) {
    switch (fault) {
        case link_fault::none:
            return "";
        case link_fault::empty:
            return "is empty";
        case link_fault::too_long:
            return "is longer than 4095 bytes";
        case link_fault::absolute:
            return "is absolute";
        case link_fault::control_byte:
            return "holds control characters";
        case link_fault::leaves_target:
            return "leaves the target directory";
        case link_fault::parent_in_path:
            return "has \"..\" after a name";
    }
    return "";
}
static_assert(LINK_TARGET_MAX == 4095, "the words name the limit");

}  // namespace payload
