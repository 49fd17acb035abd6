#include "payload/base_check.h"

#include <array>
#include <cstdio>

#include "payload/installer_messages.h"

namespace payload {
namespace {

// Fixed buffers rather than std::string, whose growth would link the library's exception paths into the
// installer: the longest message names a release of two header texts, a base file's path and the
// vendor's full installer, each shown at most four times as long; wrapping adds at most a line feed per
// line.
constexpr std::size_t RAW_MESSAGE_SIZE =
    4 * (2 * PROFILE_MAX_RELEASE_TEXT + PROFILE_MAX_BASE_PATH + BASE_MAX_NAMED_INSTALLER) + 256;
constexpr std::size_t NOT_BASE_MESSAGE_SIZE =
    RAW_MESSAGE_SIZE + RAW_MESSAGE_SIZE / MESSAGE_NOT_BASE_WIDTH + 1;

int text_length(std::string_view text) {
    return static_cast<int>(text.size());
}

bool continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

const char* base_state_words(base_state state, bool by_content) {
    switch (state) {
        case base_state::missing:
            return MESSAGE_NOT_BASE_MISSING;
        case base_state::directory:
            return MESSAGE_NOT_BASE_DIRECTORY;
        case base_state::link:
            return MESSAGE_NOT_BASE_LINK;
        case base_state::other_kind:
            return MESSAGE_NOT_BASE_OTHER_KIND;
        case base_state::other_bytes:
            return by_content ? MESSAGE_NOT_BASE_OTHER_BYTES : MESSAGE_NOT_BASE_OTHER_STATE;
        case base_state::unreadable:
            return MESSAGE_NOT_BASE_UNREADABLE;
        default:
            return nullptr;
    }
}

const char* not_base_message(const release_name& release, std::string_view subject, const char* words,
                             std::string_view installer) {
    static std::array<char, RAW_MESSAGE_SIZE> raw;
    static std::array<char, NOT_BASE_MESSAGE_SIZE> message;
    std::snprintf(raw.data(), raw.size(), "%s %.*s %.*s to update: %.*s%s%s\n%s%s%.*s %s",
                  MESSAGE_NOT_BASE_HEAD, text_length(release.product), release.product.data(),
                  text_length(release.version), release.version.data(), text_length(subject), subject.data(),
                  subject.empty() ? "" : " ", words, MESSAGE_NOT_BASE_ADVICE, installer.empty() ? "" : ": ",
                  text_length(installer), installer.data(), MESSAGE_NOT_BASE_TAG);
    wrap_text(raw.data(), MESSAGE_NOT_BASE_WIDTH, message.data(), message.size());
    return message.data();
}

void wrap_text(std::string_view text, std::size_t width, char* out, std::size_t size) {
    if (size == 0) return;
    std::size_t used = 0;
    std::size_t column = 0;
    const auto put = [&](char c) {
        if (used + 1 < size) out[used++] = c;
    };
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '\n') {
            put('\n');
            column = 0;
            ++i;
            continue;
        }
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t end = i;
        std::size_t columns = 0;
        for (; end < text.size() && text[end] != ' ' && text[end] != '\n'; ++end)
            columns += continuation(text[end]) ? 0 : 1;
        if (column != 0) {
            const bool fits = column + 1 + columns <= width;
            put(fits ? ' ' : '\n');
            column = fits ? column + 1 : 0;
        }
        for (; i < end; ++i) {
            if (!continuation(text[i]) && column++ == width) {
                put('\n');
                column = 1;
            }
            put(text[i]);
        }
    }
    out[used] = '\0';
}

}  // namespace payload
