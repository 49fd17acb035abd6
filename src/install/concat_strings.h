// Joining strings into one new allocation: the caller owns the result and releases it with free.
#pragma once

#include <initializer_list>

namespace install {

// The non-null strings one after another, NUL-terminated, in a new malloc'd string; null when memory runs
// out. With no non-null string the result is the empty string.
char* concat_strings(std::initializer_list<const char*> strings);

}  // namespace install
