// Opening a file that mkinstaller reads (an installer to inspect, a stub to copy, a licence, a profile, a
// text): only a regular file is accepted, judged on the opened descriptor before a byte is read, so that a
// device (/dev/zero), a fifo or a directory is refused at once instead of being read without end or
// waiting for a writer. Its size at opening bounds every size the reader later believes, and a file read
// whole is read no further than its limit allows, so memory follows what is kept.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace builder {

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using file_ptr = std::unique_ptr<std::FILE, file_closer>;

struct input_file {
    file_ptr file;
    std::uint64_t size = 0;  // as fstat gave it at opening
};

// What kind of file other than a regular one `mode` describes, as messages name it after "a" ("fifo",
// "directory"); "special file" for a kind without a name here.
const char* non_regular_kind(mode_t mode);

// Opens `path` for reading (O_NONBLOCK, O_NOCTTY, O_CLOEXEC). Throws error when it cannot be opened, is
// not a regular file, or is larger than `max_size` bytes; the message starts with `prefix` ("list: ", or
// empty) and names the file as `noun` followed by the quoted path ("cannot open stub \"x\": ...",
// "list: \"x\" is a fifo, ...").
input_file open_regular_input(const std::string& path, const std::string& prefix,
                              const std::string& noun = "", std::uint64_t max_size = UINT64_MAX);

// The bytes of `path`, opened as open_regular_input opens it, when there are at most `max_size` of them.
// At most max_size + 1 bytes are ever read, so a file that grew since it was opened, or whose size is not
// its length (/proc), is refused as larger without being read on. Throws error as open_regular_input.
std::string read_input_file(const std::string& path, const std::string& prefix, const std::string& noun,
                            std::uint64_t max_size);

}  // namespace builder
