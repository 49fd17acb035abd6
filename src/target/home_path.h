// The home directory at the start of a path: "~" and "$HOME", alone or before a '/', stand for $HOME.
// Only an installer with the conventional command line reads them so; the dialogue of the others takes
// every path as typed.
#pragma once

#include <cstddef>
#include <string_view>

namespace target {

// Writes `path` to `out` (NUL-terminated, `size` bytes) with a leading "~" or "$HOME" replaced by the
// value of HOME. Returns false, leaving `out` untouched, when the path starts with neither, HOME is unset
// or empty, or the result does not fit.
bool expand_home(std::string_view path, char* out, std::size_t size);

}  // namespace target
