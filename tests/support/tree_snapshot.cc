// Directory trees as text.
#include "support/tree_snapshot.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "support/temp_dir.h"

namespace testing_support {

std::map<std::string, std::string> tree_snapshot(const std::string& root, snapshot_detail detail) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> entries;
    std::error_code missing;
    if (!fs::exists(root, missing)) return entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = entry.path().string();
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) throw std::runtime_error("cannot examine " + path);
        std::string text = S_ISLNK(st.st_mode) ? "link" : S_ISDIR(st.st_mode) ? "dir" : "file";
        if (detail == snapshot_detail::with_modes_and_times) {
            char mode[16];
            std::snprintf(mode, sizeof mode, " %04o", static_cast<unsigned>(st.st_mode & 07777));
            text += mode;
            if (!S_ISLNK(st.st_mode) && !S_ISDIR(st.st_mode)) text += " " + std::to_string(st.st_mtime);
        }
        if (S_ISLNK(st.st_mode)) {
            text += " " + fs::read_symlink(entry.path()).string();
        } else if (!S_ISDIR(st.st_mode)) {
            text += " " + read_file(path);
        }
        // Lexically, so that the links being recorded are not resolved.
        entries[entry.path().lexically_relative(root).string()] = std::move(text);
    }
    return entries;
}

}  // namespace testing_support
