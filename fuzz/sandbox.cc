#include "sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "contained_exit.h"

namespace fuzz_support {
namespace {

namespace fs = std::filesystem;

constexpr const char* SANDBOX_SENTINEL_TEXT = "outside the target: never to be touched\n";

void write_sentinel(const fs::path& path) {
    std::ofstream(path, std::ios::binary) << SANDBOX_SENTINEL_TEXT;
}

bool sentinel_intact(const fs::path& path) {
    if (!fs::is_regular_file(fs::symlink_status(path))) return false;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str() == SANDBOX_SENTINEL_TEXT;
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename());
    return names;
}

std::string sandbox_root;

void remove_sandbox() {
    std::error_code ignored;
    fs::remove_all(sandbox_root, ignored);
}

}  // namespace

sandbox::sandbox() {
    std::string pattern = (fs::temp_directory_path() / "payload-fuzz.XXXXXX").string();
    require(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    root_ = pattern;
    target_ = root_ + "/target";
    // Sentinels beside the target and in a sibling directory, whose name also appears in seeds' entries.
    write_sentinel(root_ + "/readme.txt");
    fs::create_directory(root_ + "/outside");
    write_sentinel(root_ + "/outside/readme.txt");
    sandbox_root = root_;
    std::atexit(remove_sandbox);
}

void sandbox::check_and_clear() const {
    std::set<std::string> names = names_in(root_);
    names.erase("target");
    require(names == std::set<std::string>{"outside", "readme.txt"}, "nothing appears beside the target");
    require(names_in(root_ + "/outside") == std::set<std::string>{"readme.txt"},
            "nothing appears in a sibling of the target");
    require(sentinel_intact(root_ + "/readme.txt") && sentinel_intact(root_ + "/outside/readme.txt"),
            "the files beside the target stay as they were");
    std::error_code error;
    fs::remove_all(target_, error);
    require(!error, "the target can be cleared");
}

}  // namespace fuzz_support
