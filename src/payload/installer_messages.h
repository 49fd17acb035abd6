// The installer's messages that mkinstaller quotes when it tells where the installer would stop (list,
// verify, extract, the update check): each written once, here, so that the two programs cannot drift
// apart. Messages only the installer writes stay beside the code that writes them.
#pragma once

#include <array>
#include <cstddef>

#include "payload/file_record.h"

namespace payload {

// Finding the payload in the installer's own file.
constexpr const char* MESSAGE_NO_HEADER = "Can't find attachments (3).";
constexpr const char* MESSAGE_HEADER_CORRUPTED = "Attachments corrupted (3).";
constexpr const char* MESSAGE_NOT_WHOLE = "Can't find attachments (err=2).";  // any volume but the whole

// A stub region that fails its checks (stub_region.h): the installer refuses to start.
constexpr const char* MESSAGE_LICENSE_CORRUPTED = "Corrupted licence text (err=13).";
constexpr const char* MESSAGE_PROFILE_CORRUPTED = "Corrupted installer settings (err=14).";

// An update run over anything but the release it updates (profile_region.h), broken into lines of at
// most MESSAGE_NOT_BASE_WIDTH columns:
//   Not an installation of VORNA 1.0 to update: inc/vorna.h holds other bytes.
//   Install the full release instead: vorna-2.0-full.run (err=15).
// the product and version being the release's, the installer named only when the vendor named one.
constexpr const char* MESSAGE_NOT_BASE_HEAD = "Not an installation of";
constexpr const char* MESSAGE_NOT_BASE_MISSING = "is missing.";
constexpr const char* MESSAGE_NOT_BASE_DIRECTORY = "is a directory, not a file.";
constexpr const char* MESSAGE_NOT_BASE_LINK = "is a symbolic link, not a file.";
constexpr const char* MESSAGE_NOT_BASE_OTHER_KIND = "is not a regular file.";
constexpr const char* MESSAGE_NOT_BASE_OTHER_BYTES = "holds other bytes.";
constexpr const char* MESSAGE_NOT_BASE_OTHER_STATE = "has another size or time.";  // an older update's check
constexpr const char* MESSAGE_NOT_BASE_UNREADABLE = "cannot be read.";
constexpr const char* MESSAGE_NOT_BASE_NO_TARGET = "the target directory does not exist.";
constexpr const char* MESSAGE_NOT_BASE_TARGET_KIND = "the target is not a directory.";
constexpr const char* MESSAGE_NOT_BASE_ADVICE = "Install the full release instead";
constexpr const char* MESSAGE_NOT_BASE_TAG = "(err=15).";
constexpr std::size_t MESSAGE_NOT_BASE_WIDTH = 79;

// A compressed entry whose bytes do not decode.
constexpr const char* MESSAGE_DECOMPRESSION = "Decompression error (err=1).";

// Written with the system's text between message and tag: "Can't create file - Is a directory (err=5).".
constexpr const char* MESSAGE_CREATE_DIRECTORY = "Can't create directory";
constexpr const char* MESSAGE_CREATE_DIRECTORY_TAG = "(err=4).";
constexpr const char* MESSAGE_CREATE_FILE = "Can't create file";
constexpr const char* MESSAGE_CREATE_FILE_TAG = "(err=5).";

// The message the installer stops with for `found` (file_record.h); null for corruption::none.
constexpr const char* corrupted_message(corruption found) {
    constexpr std::array<const char*, 8> MESSAGES = {
        nullptr,
        "Corrupted file(s) (err=1).",
        "Corrupted file(s) (err=2).",
        "Corrupted file(s) (err=3).",
        "Corrupted file(s) (err=4).",
        "Corrupted file(s) (err=5).",
        "Corrupted file(s) (err=6).",
        "Corrupted file(s) (err=7).",
    };
    static_assert(MESSAGES.size() == static_cast<std::size_t>(corruption::link_target) + 1);
    const auto at = static_cast<std::size_t>(found);
    return at < MESSAGES.size() ? MESSAGES[at] : nullptr;
}

}  // namespace payload
