// The refusal of an OUTPUT inside the source tree.
#include "builder/pack/output_place.h"

#include <algorithm>
#include <filesystem>

#include "builder/util/display_text.h"
#include "builder/util/error.h"

namespace builder {

void refuse_output_in_source(const std::string& source_dir, const std::string& output) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path source = fs::canonical(source_dir, ec);
    if (ec) return;
    const fs::path output_dir = fs::weakly_canonical(fs::absolute(output, ec).parent_path(), ec);
    if (ec) return;
    if (std::mismatch(source.begin(), source.end(), output_dir.begin(), output_dir.end()).first !=
        source.end())
        return;
    throw error("OUTPUT " + shown(output) + " lies in the source directory " + shown(source_dir) +
                ": every build would pack the installers (and .sha256 files) of the builds before it; "
                "write OUTPUT outside the source directory");
}

}  // namespace builder
