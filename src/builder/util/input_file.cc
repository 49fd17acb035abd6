// Regular input files.
#include "builder/util/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "builder/util/fd_holder.h"

namespace builder {

// A symbolic link never reaches here: both callers judge what it leads to.
const char* non_regular_kind(mode_t mode) {
    if (S_ISDIR(mode)) return "directory";
    if (S_ISCHR(mode)) return "character device";
    if (S_ISBLK(mode)) return "block device";
    if (S_ISFIFO(mode)) return "fifo";
    if (S_ISSOCK(mode)) return "socket";
    return "special file";
}

namespace {

[[noreturn]] void too_large(const std::string& prefix, const std::string& named, std::uint64_t max_size) {
    throw error(prefix + named + " is larger than " + std::to_string(max_size) + " bytes");
}

}  // namespace

input_file open_regular_input(const std::string& path, const std::string& prefix, const std::string& noun,
                              std::uint64_t max_size) {
    const std::string named = noun + shown(path);
    // O_NONBLOCK: opening a fifo must not wait for a writer; O_NOCTTY: a terminal never becomes ours.
    fd_holder fd{open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (fd.fd < 0) fail_errno(prefix + "cannot open " + named);
    struct stat st {};
    if (fstat(fd.fd, &st) != 0) fail_errno(prefix + "cannot examine " + named);
    if (!S_ISREG(st.st_mode)) {
        throw error(prefix + named + " is a " + non_regular_kind(st.st_mode) + ", not a regular file");
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > max_size) too_large(prefix, named, max_size);
    // Reads from a regular file never wait; the flag only mattered for the opening.
    (void)fcntl(fd.fd, F_SETFL, fcntl(fd.fd, F_GETFL) & ~O_NONBLOCK);
    input_file in;
    in.file.reset(fdopen(fd.fd, "rb"));
    if (!in.file) fail_errno(prefix + "cannot read " + named);
    fd.fd = -1;
    in.size = size;
    return in;
}

std::string read_input_file(const std::string& path, const std::string& prefix, const std::string& noun,
                            std::uint64_t max_size) {
    const input_file in = open_regular_input(path, prefix, noun, max_size);
    // Room for the size at opening and one byte more, to tell whether the file goes on; grown only as
    // bytes arrive.
    std::string bytes(static_cast<std::size_t>(in.size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        const std::size_t wanted = bytes.size() - got;
        const std::size_t n = std::fread(bytes.data() + got, 1, wanted, in.file.get());
        got += n;
        if (n < wanted || got > max_size) break;
        bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(2 * bytes.size(), max_size + 1)));
    }
    if (std::ferror(in.file.get())) fail_errno(prefix + "cannot read " + noun + shown(path));
    if (got > max_size) too_large(prefix, noun + shown(path), max_size);
    bytes.resize(got);
    return bytes;
}

}  // namespace builder
