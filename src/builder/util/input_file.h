// Opening a file that mkinstaller reads (an installer to inspect, a stub to copy): only a regular file is
// accepted, judged on the opened descriptor before a byte is read, so that a device (/dev/zero), a fifo or a
// directory is refused at once instead of being read without end. Its size at opening bounds every size
// the reader later believes.
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

// Opens `path` for reading. Throws error when it cannot be opened, is not a regular file, or holds more
// than `max_size` bytes; the message starts with `prefix` ("list: ", or empty) and names the file as
// `noun` followed by the quoted path ("cannot open stub \"x\": ...", "list: \"x\" is a fifo, ...").
input_file open_regular_input(const std::string& path, const std::string& prefix,
                              const std::string& noun = "", std::uint64_t max_size = UINT64_MAX);

}  // namespace builder
