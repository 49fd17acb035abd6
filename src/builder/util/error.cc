// Helpers that build error messages.
#include "builder/util/error.h"

#include <cerrno>
#include <cstring>

#include "builder/util/display_text.h"

namespace builder {

void fail_errno(const std::string& what) {
    const int saved = errno;
    throw error(what + ": " + std::strerror(saved));
}

void warn(std::ostream& out, std::string_view text) {
    out << "mkinstaller: warning: " << terminal_text(text) << '\n';
}

}  // namespace builder
