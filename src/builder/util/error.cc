// Helpers that build error messages.
#include "builder/util/error.h"

#include <cerrno>
#include <cstring>

namespace builder {

void fail_errno(const std::string& what) {
    const int saved = errno;
    throw error(what + ": " + std::strerror(saved));
}

std::string in_quotes(const std::string& text) {
    return "\"" + text + "\"";
}

void warn(std::ostream& out, std::string_view text) {
    out << "mkinstaller: warning: " << text << '\n';
}

}  // namespace builder
