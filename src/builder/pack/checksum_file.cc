// The digest of the finished OUTPUT, read back, and the line that names it.
#include "builder/pack/checksum_file.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/sha256.h"

namespace builder {
namespace {

constexpr std::size_t CHECKSUM_READ_CHUNK = 1 << 16;

}  // namespace

std::string checksum_line(const output_file& out) {
    const auto in = out.read_back();
    sha256_state state;
    sha256_init(state);
    std::vector<unsigned char> chunk(CHECKSUM_READ_CHUNK);
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get());
        sha256_update(state, chunk.data(), got);
        if (got < chunk.size()) break;
    }
    if (std::ferror(in.get())) fail_errno("cannot reread " + shown(out.path()));
    const std::string name = std::filesystem::path(out.path()).filename().string();
    std::string escaped;
    for (const char c : name) {
        if (c == '\\') {
            escaped += "\\\\";
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    // sha256sum -c takes a name "-" for standard input.
    if (escaped == "-") escaped = "./-";
    const std::string prefix = escaped == name || escaped == "./-" ? "" : "\\";
    return prefix + sha256_hex(sha256_final(state)) + "  " + escaped + "\n";
}

}  // namespace builder
