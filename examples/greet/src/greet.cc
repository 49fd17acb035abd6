// The library behind the greet tool.
#include "greet/greet.h"

namespace greet {

std::string greeting(const std::string& name) {
    return "Hello, " + name + "!";
}

}  // namespace greet
