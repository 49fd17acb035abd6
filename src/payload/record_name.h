// Rules on entry names that the installer and mkinstaller both apply, so that the builder predicts
// exactly what the installer will do with a name: the last component its same-name removal goes by.
#pragma once

#include <string_view>

namespace payload {

// The text behind the last '/' or '\' found scanning back from the name's second-to-last character, or
// the whole name: a trailing separator stays part of it, and a one-character name is its own component.
// Always a suffix of `name`, so the component of a NUL-terminated name is NUL-terminated too.
std::string_view last_name_component(std::string_view name);

}  // namespace payload
