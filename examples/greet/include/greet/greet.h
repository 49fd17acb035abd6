// greet: the library's one function.
#pragma once

#include <string>

namespace greet {

// "Hello, <name>!"
std::string greeting(const std::string& name);

}  // namespace greet
