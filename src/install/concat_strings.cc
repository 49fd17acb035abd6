#include "install/concat_strings.h"

#include <cstdlib>
#include <cstring>

namespace install {

char* concat_strings(std::initializer_list<const char*> strings) {
    std::size_t total = 0;
    for (const char* s : strings) {
        if (s != nullptr) total += std::strlen(s);
    }
    auto* joined = static_cast<char*>(std::malloc(total + 1));
    if (joined == nullptr) return nullptr;
    char* end = joined;
    for (const char* s : strings) {
        if (s == nullptr) continue;
        const std::size_t length = std::strlen(s);
        std::memcpy(end, s, length);
        end += length;
    }
    *end = '\0';
    return joined;
}

}  // namespace install
