#include "builder/util/word_list.h"

namespace builder {

std::string word_list(std::span<const std::string_view> words, std::string_view last) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? last : ", ";
        text += words[i];
    }
    return text;
}

}  // namespace builder
