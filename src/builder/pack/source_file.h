// Reading one file of the source tree for its entry: whole, once, and checked against what the scan saw,
// so that a file that changed meanwhile stops the build instead of being packed half old, half new.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "builder/pack/payload_plan.h"

namespace builder {

struct file_bytes {
    std::unique_ptr<unsigned char[]> bytes;
    std::uint32_t size = 0;
};

// The whole file, read once to its end. One byte more than the scan saw is asked for, so that a file
// that has grown is noticed; a file whose length differs from the scan is refused, unless its file
// system is one whose sizes are not lengths: then it is read to its end, up to the payload's limit of
// 4 GiB - 1 bytes, and packed as read. The file system is asked only then, to spare every other file
// the call.
// A warning about such a file goes to `warnings` (an error under `strict`). `entry.name` is relative to
// the open directory `root_fd`. Throws error.
file_bytes read_source_file(int root_fd, const planned_entry& entry, bool strict,
                            std::vector<std::string>& warnings);

}  // namespace builder
