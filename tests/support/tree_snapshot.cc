// Directory trees as text.
#include "support/tree_snapshot.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "support/installer_run.h"
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
        // A fifo, socket or device is named, never opened: reading one could block or fail.
        std::string text = S_ISLNK(st.st_mode)    ? "link"
                           : S_ISDIR(st.st_mode)  ? "dir"
                           : S_ISREG(st.st_mode)  ? "file"
                           : S_ISFIFO(st.st_mode) ? "fifo"
                           : S_ISSOCK(st.st_mode) ? "socket"
                                                  : "device";
        if (detail == snapshot_detail::with_modes_and_times) {
            char mode[16];
            std::snprintf(mode, sizeof mode, " %04o", static_cast<unsigned>(st.st_mode & 07777));
            text += mode;
            if (S_ISREG(st.st_mode)) text += " " + std::to_string(st.st_mtime);
        }
        if (S_ISLNK(st.st_mode)) {
            text += " " + fs::read_symlink(entry.path()).string();
        } else if (S_ISREG(st.st_mode)) {
            text += " " + read_file(path);
        }
        // Lexically, so that the links being recorded are not resolved.
        entries[entry.path().lexically_relative(root).string()] = std::move(text);
    }
    return entries;
}

std::string snapshot_differences(const std::map<std::string, std::string>& got,
                                 const std::map<std::string, std::string>& expected) {
    using tree = std::map<std::string, std::string>;
    const auto at = [](const tree& in, const std::string& path) -> const std::string* {
        const auto found = in.find(path);
        return found == in.end() ? nullptr : &found->second;
    };
    const auto shown = [](const std::string* text) {
        return text == nullptr ? std::string("(none)")
                               : text->substr(0, 60) + " (" + std::to_string(text->size()) + ")";
    };
    tree paths = got;
    paths.insert(expected.begin(), expected.end());
    std::string differences;
    for (const auto& entry : paths) {
        const std::string* g = at(got, entry.first);
        const std::string* e = at(expected, entry.first);
        if (g == nullptr || e == nullptr || *g != *e)
            differences += entry.first + ": " + shown(g) + " instead of " + shown(e) + "\n";
    }
    return differences;
}

std::vector<std::string> temporaries_in(const std::map<std::string, std::string>& snapshot) {
    std::vector<std::string> found;
    for (const auto& entry : snapshot) {
        if (std::filesystem::path(entry.first).filename().string().starts_with(".installing."))
            found.push_back(entry.first);
    }
    return found;
}

std::map<std::string, std::string> installed_tree(const std::vector<std::string>& images,
                                                  const std::string& target) {
    std::filesystem::create_directories(target);
    for (const std::string& image : images)
        expect_clean_exit(run_process(image, {image}, {.input = answers_to_install(target) + "n\nn\n"}));
    return tree_snapshot(target, snapshot_detail::with_modes_and_times);
}

}  // namespace testing_support
