// Running the installation step alone, in a child process, on a hand-made payload: no dialogue, the
// target directory given directly.
#pragma once

#include <map>
#include <string>

#include "support/installer_run.h"
#include "support/installer_texts.h"
#include "support/tree_snapshot.h"

namespace install_test {

// What the installation writes before its first entry.
inline const std::string BANNER = "\n\n.... Installing files ....\n\n";

// Writes the payload as an installer file beside `target`, then runs install_files on it with `target`
// as the target directory.
testing_support::process_result run_install(const testing_support::test_payload& payload,
                                            const std::string& target);

// The same for an image made by hand (for damaged payloads).
testing_support::process_result run_install_image(const std::string& image, const std::string& target);

using testing_support::texts::progress_drawing;
using testing_support::texts::progress_erasure;
inline std::string drawing(int file_percent, int byte_percent, const std::string& text) {
    return progress_drawing(file_percent, byte_percent, text);
}
inline std::string erasure(int shown_chars) {
    return progress_erasure(static_cast<std::size_t>(shown_chars));
}

}  // namespace install_test
