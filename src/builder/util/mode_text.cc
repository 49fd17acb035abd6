// Mode bits in words.
#include "builder/util/mode_text.h"

#include <cstdio>
#include <utility>

namespace builder {

std::string special_bits_text(std::uint32_t mode) {
    static constexpr std::pair<std::uint32_t, const char*> BITS[] = {
        {04000, "set-user-ID"}, {02000, "set-group-ID"}, {01000, "sticky"}};
    std::string text;
    for (const auto& [bit, name] : BITS) {
        if ((mode & bit) != 0) text += (text.empty() ? "" : ", ") + std::string(name);
    }
    return text;
}

std::string permission_text(std::uint32_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%05o", mode & 07777);
    return text;
}

}  // namespace builder
