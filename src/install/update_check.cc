// An update's check of the release beneath its target.
#include "install/update_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>

#include "payload/base_check.h"
#include "payload/installer_messages.h"
#include "payload/sha256.h"
#include "process/session.h"
#include "process/shown_output.h"
#include "process/vendor_settings.h"
#include "target/path_kind.h"

namespace install {
namespace {

// An update carries vendor settings: its texts and paths go out escaped, each at most four times as
// long, into fixed buffers rather than std::string, whose growth would link the library's exception
// paths into the installer.
constexpr std::size_t SHOWN_TEXTS_SIZE =
    4 * (2 * payload::PROFILE_MAX_RELEASE_TEXT + payload::PROFILE_MAX_BASE_PATH +
         payload::BASE_MAX_NAMED_INSTALLER);
constexpr std::size_t BASE_PATH_SIZE = process::TARGET_DIR_SIZE + 1 + payload::PROFILE_MAX_BASE_PATH + 1;
constexpr std::size_t READ_CHUNK = 16384;

const char* not_the_base(const payload::release_name& release, std::string_view subject, const char* words) {
    static std::array<char, SHOWN_TEXTS_SIZE> bytes;
    process::gathered_text texts{bytes};
    const auto shown = [&texts](std::string_view text) {
        const std::size_t from = texts.length;
        texts(process::shown{text});
        return texts.text().substr(from);
    };
    const std::string_view product = shown(release.product);
    const std::string_view version = shown(release.version);
    subject = shown(subject);
    const std::string_view installer =
        shown(process::full_installer_name().substr(0, payload::BASE_MAX_NAMED_INSTALLER));
    return payload::not_base_message({product, version}, subject, words, installer);
}

// What stands at `path` when it cannot be opened as a file without following a link.
base_state unopened_state(const char* path) {
    struct stat found {};
    if (lstat(path, &found) != 0) return base_state::missing;
    if (S_ISLNK(found.st_mode)) return base_state::link;
    if (S_ISDIR(found.st_mode)) return base_state::directory;
    return S_ISREG(found.st_mode) ? base_state::unreadable : base_state::other_kind;
}

bool digest_of(int fd, payload::sha256_digest& digest) {
    static std::array<unsigned char, READ_CHUNK> chunk;
    payload::sha256_state state;
    payload::sha256_init(state);
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        payload::sha256_update(state, chunk.data(), static_cast<std::size_t>(got));
    }
    digest = payload::sha256_final(state);
    return true;
}

bool same_digest(const payload::sha256_digest& digest, const unsigned char* expected) {
    return std::equal(digest.begin(), digest.end(), expected);
}

// Either state passes: an update stopped half way has left some files old and some new.
base_state opened_state(int fd, const struct stat& found, const payload::base_file& file) {
    if (S_ISDIR(found.st_mode)) return base_state::directory;
    if (!S_ISREG(found.st_mode)) return base_state::other_kind;
    // The size first: most other files fail there without a byte read.
    const bool old_size = found.st_size == static_cast<off_t>(file.old_size);
    const bool new_size = found.st_size == static_cast<off_t>(file.new_size);
    if (!old_size && !new_size) return base_state::other_bytes;
    if (!file.by_content()) {
        const bool old_time = file.old_mtime == 0 || found.st_mtime == file.old_mtime;
        const bool new_time = file.new_mtime == 0 || found.st_mtime == file.new_mtime;
        return (old_size && old_time) || (new_size && new_time) ? base_state::as_expected
                                                                : base_state::other_bytes;
    }
    payload::sha256_digest digest;
    if (!digest_of(fd, digest)) return base_state::unreadable;
    if ((old_size && same_digest(digest, file.digests)) ||
        (new_size && same_digest(digest, file.digests + payload::PROFILE_DIGEST_SIZE)))
        return base_state::as_expected;
    return base_state::other_bytes;
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
    // Not following a link, nor waiting on a pipe's writer.
    const int fd = open(path.data(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return unopened_state(path.data());
    struct stat found {};
    const base_state state = fstat(fd, &found) != 0 ? base_state::unreadable : opened_state(fd, found, file);
    close(fd);
    return state;
}

const char* update_base_problem(const char* target) {
    const payload::vendor_profile& settings = process::vendor_settings();
    if (!settings.update_of) return nullptr;
    // Not a file of the release missing: there is no installation there at all.
    switch (target::path_kind(target)) {
        case target::path_type::absent:
            return not_the_base(*settings.update_of, {}, payload::MESSAGE_NOT_BASE_NO_TARGET);
        case target::path_type::not_directory:
            return not_the_base(*settings.update_of, {}, payload::MESSAGE_NOT_BASE_TARGET_KIND);
        default:
            break;
    }
    // A file the update rewrites is gone when an earlier run was stopped inside it (the file in progress
    // is removed): it may be missing as long as another base file is there.
    const auto files = std::span(settings.base_files).first(settings.base_count);
    const payload::base_verdict verdict = payload::judge_base_files(
        files.size(), [&](std::size_t i) { return files[i].kept(); },
        [&](std::size_t i) { return base_file_state(target, files[i]); });
    if (verdict.file != files.size()) {
        const payload::base_file& file = files[verdict.file];
        return not_the_base(*settings.update_of, file.path,
                            payload::base_state_words(verdict.state, file.by_content()));
    }
    return nullptr;
}

void write_update_line() {
    const auto& release = process::vendor_settings().update_of;
    if (release) {
        std::fputs("This update installs over ", stderr);
        process::write_text(stderr, release->product);
        std::fputs(" ", stderr);
        process::write_text(stderr, release->version);
        std::fputs(" only.\n", stderr);
    }
}

}  // namespace install
