#include "target/home_path.h"

#include <cstdlib>
#include <cstring>

namespace target {
namespace {

// The length of the home's spelling at the start of `path`, or 0.
std::size_t home_spelling(std::string_view path) {
    for (const std::string_view spelling : {std::string_view("~"), std::string_view("$HOME")}) {
        if (path.starts_with(spelling) && (path.size() == spelling.size() || path[spelling.size()] == '/'))
            return spelling.size();
    }
    return 0;
}

}  // namespace

bool expand_home(std::string_view path, char* out, std::size_t size) {
    const std::size_t spelled = home_spelling(path);
    const char* home = std::getenv("HOME");
    if (spelled == 0 || home == nullptr || *home == '\0') return false;
    const std::size_t home_length = std::strlen(home);
    std::string_view rest = path;
    rest.remove_prefix(spelled);
    if (home_length + rest.size() >= size) return false;
    std::memcpy(out, home, home_length);
    std::memcpy(out + home_length, rest.data(), rest.size());
    out[home_length + rest.size()] = '\0';
    return true;
}

}  // namespace target
