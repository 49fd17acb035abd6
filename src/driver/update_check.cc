// An update's check of the release beneath its target.
#include "driver/update_check.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "driver/termination.h"
#include "driver/vendor_settings.h"
#include "payload/installer_messages.h"
#include "target/path_kind.h"

namespace driver {
namespace {

bool same_file(const struct stat& found, std::uint32_t size, std::int32_t mtime) {
    return found.st_size == static_cast<off_t>(size) && (mtime == 0 || found.st_mtime == mtime);
}

std::string release_text(const payload::release_name& release) {
    return std::string(release.product) + " " + std::string(release.version);
}

[[noreturn]] void not_the_base(const payload::release_name& release, std::string_view subject,
                               const char* problem) {
    std::string message = std::string(payload::MESSAGE_NOT_BASE_HEAD) + " " + release_text(release) +
                          " to update: " + std::string(subject);
    if (problem != nullptr) message += std::string(" ") + problem;
    message += std::string(" ") + payload::MESSAGE_NOT_BASE_TAG;
    error(message.c_str());
}

bool rewritten_by_update(const payload::base_file& file) {
    return file.old_size != file.new_size || file.old_mtime != file.new_mtime;
}

}  // namespace

const char* base_file_problem(std::string_view target, const payload::base_file& file) {
    const std::string path = std::string(target) + "/" + std::string(file.path);
    struct stat found {};
    if (lstat(path.c_str(), &found) != 0) return payload::MESSAGE_NOT_BASE_MISSING;
    // Either state passes: an update stopped half way has left some files old and some new.
    if (S_ISREG(found.st_mode) &&
        (same_file(found, file.old_size, file.old_mtime) || same_file(found, file.new_size, file.new_mtime)))
        return nullptr;
    return payload::MESSAGE_NOT_BASE_DIFFERS;
}

void check_update_base(const char* target) {
    const payload::vendor_profile& settings = vendor_settings();
    if (!settings.update_of) return;
    if (settings.base_count == 0) {
        if (target::path_kind(target) != target::path_type::directory)
            not_the_base(*settings.update_of, payload::MESSAGE_NOT_BASE_NO_TARGET, nullptr);
        return;
    }
    // A file the update rewrites is gone when an earlier run was stopped inside it (the file in progress
    // is removed): it may be missing as long as another base file is there.
    const payload::base_file* first_missing = nullptr;
    bool any_found = false;
    for (std::size_t i = 0; i < settings.base_count; ++i) {
        const payload::base_file& file = settings.base_files[i];
        const char* problem = base_file_problem(target, file);
        if (problem == nullptr) {
            any_found = true;
        } else if (problem == payload::MESSAGE_NOT_BASE_MISSING && rewritten_by_update(file)) {
            if (first_missing == nullptr) first_missing = &file;
        } else {
            not_the_base(*settings.update_of, file.path, problem);
        }
    }
    if (!any_found) not_the_base(*settings.update_of, first_missing->path, payload::MESSAGE_NOT_BASE_MISSING);
}

void write_update_line() {
    const auto& release = vendor_settings().update_of;
    if (release) std::fprintf(stderr, "This update installs over %s only.\n", release_text(*release).c_str());
}

}  // namespace driver
