// An update's check of the release beneath its target.
#include "install/update_check.h"

#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "payload/installer_messages.h"
#include "process/session.h"
#include "process/termination.h"
#include "process/vendor_settings.h"
#include "target/path_kind.h"

namespace install {
namespace {

// Fixed buffers rather than std::string, whose growth would link the library's exception paths into the
// installer: the longest message names a release of two header texts and a base file's path, and the
// longest path joins any target directory to such a path.
constexpr std::size_t NOT_BASE_MESSAGE_SIZE =
    2 * payload::PROFILE_MAX_RELEASE_TEXT + payload::PROFILE_MAX_BASE_PATH + 128;
constexpr std::size_t BASE_PATH_SIZE = process::TARGET_DIR_SIZE + 1 + payload::PROFILE_MAX_BASE_PATH + 1;

bool same_file(const struct stat& found, std::uint32_t size, std::int32_t mtime) {
    return found.st_size == static_cast<off_t>(size) && (mtime == 0 || found.st_mtime == mtime);
}

int text_length(std::string_view text) {
    return static_cast<int>(text.size());
}

const char* not_the_base(const payload::release_name& release, std::string_view subject,
                         const char* problem) {
    static std::array<char, NOT_BASE_MESSAGE_SIZE> message;
    std::snprintf(message.data(), message.size(), "%s %.*s %.*s to update: %.*s%s%s %s",
                  payload::MESSAGE_NOT_BASE_HEAD, text_length(release.product), release.product.data(),
                  text_length(release.version), release.version.data(), text_length(subject), subject.data(),
                  problem != nullptr ? " " : "", problem != nullptr ? problem : "",
                  payload::MESSAGE_NOT_BASE_TAG);
    return message.data();
}

bool rewritten_by_update(const payload::base_file& file) {
    return file.old_size != file.new_size || file.old_mtime != file.new_mtime;
}

}  // namespace

base_state base_file_state(std::string_view target, const payload::base_file& file) {
    static std::array<char, BASE_PATH_SIZE> path;
    // A path that does not fit is longer than any the system resolves: nothing is found there.
    if (target.size() + 1 + file.path.size() >= path.size()) return base_state::missing;
    std::memcpy(path.data(), target.data(), target.size());
    path[target.size()] = '/';
    std::memcpy(path.data() + target.size() + 1, file.path.data(), file.path.size());
    path[target.size() + 1 + file.path.size()] = '\0';
    struct stat found {};
    if (lstat(path.data(), &found) != 0) return base_state::missing;
    // Either state passes: an update stopped half way has left some files old and some new.
    if (S_ISREG(found.st_mode) &&
        (same_file(found, file.old_size, file.old_mtime) || same_file(found, file.new_size, file.new_mtime)))
        return base_state::as_expected;
    return base_state::differs;
}

const char* base_state_words(base_state state) {
    switch (state) {
        case base_state::missing:
            return payload::MESSAGE_NOT_BASE_MISSING;
        case base_state::differs:
            return payload::MESSAGE_NOT_BASE_DIFFERS;
        default:
            return nullptr;
    }
}

const char* update_base_problem(const char* target) {
    const payload::vendor_profile& settings = process::vendor_settings();
    if (!settings.update_of) return nullptr;
    if (settings.base_count == 0) {
        if (target::path_kind(target) != target::path_type::directory)
            return not_the_base(*settings.update_of, payload::MESSAGE_NOT_BASE_NO_TARGET, nullptr);
        return nullptr;
    }
    // A file the update rewrites is gone when an earlier run was stopped inside it (the file in progress
    // is removed): it may be missing as long as another base file is there.
    const payload::base_file* first_missing = nullptr;
    bool any_found = false;
    for (std::size_t i = 0; i < settings.base_count; ++i) {
        const payload::base_file& file = settings.base_files[i];
        const base_state state = base_file_state(target, file);
        if (state == base_state::as_expected) {
            any_found = true;
        } else if (state == base_state::missing && rewritten_by_update(file)) {
            if (first_missing == nullptr) first_missing = &file;
        } else {
            return not_the_base(*settings.update_of, file.path, base_state_words(state));
        }
    }
    if (!any_found)
        return not_the_base(*settings.update_of, first_missing->path, base_state_words(base_state::missing));
    return nullptr;
}

void check_update_base(const char* target) {
    if (const char* problem = update_base_problem(target)) process::error(problem);
}

void write_update_line() {
    const auto& release = process::vendor_settings().update_of;
    if (release) {
        std::fprintf(stderr, "This update installs over %.*s %.*s only.\n", text_length(release->product),
                     release->product.data(), text_length(release->version), release->version.data());
    }
}

}  // namespace install
