// Rules on entry names that the installer and mkinstaller both apply, so that the builder predicts
// exactly what the installer will do with a name: which names it refuses as unsafe, which are plain (what
// the writer produces, and what the installer's name index can follow), and the last component its
// same-name removal goes by, and where it cuts a path to its parent. Components are split on '/' only; an
// empty name is one empty component.
#pragma once

#include <string_view>
#include <vector>

namespace payload {

// Where the installer looks for a name's last component or a path's parent, '\\' separates as '/' does.
inline bool is_name_separator(char c) {
    return c == '/' || c == '\\';
}

// A name is unsafe when it could reach outside the target directory: it begins with '/' or has a ".."
// component. The installer refuses such names, for delete entries too; anything else it accepts.
bool is_unsafe_name(std::string_view name);

// Why a name is not plain, as plain_name_fault finds it.
enum class name_fault { none, absolute, backslash, parent_component, empty_or_dot_component };

// A plain name is relative, has no '\' and no component that is empty, "." or "..": every plain name is
// safe. Checked in this order (a leading '/', then a '\' anywhere, then the components from the left), so
// the first fault is reported.
name_fault plain_name_fault(std::string_view name);

// The components of a name split on '/' only, empty ones kept: "a//b/" is a, "", b, "" and "" is one
// empty component. The views point into `name`.
std::vector<std::string_view> name_components(std::string_view name);

// The text behind the last '/' or '\' found scanning back from the name's second-to-last character, or
// the whole name: a trailing separator stays part of it, and a one-character name is its own component.
// Always a suffix of `name`, so the component of a NUL-terminated name is NUL-terminated too.
std::string_view last_name_component(std::string_view name);

// The length of `path` cut to its parent: a trailing separator alone goes, else everything from the
// nearest separator at index 1 or later, else all of it. Index 0 is never a cut, so that "/x" and "x"
// alike come to "", and "a//b" to "a/".
std::size_t parent_length(std::string_view path);

}  // namespace payload
