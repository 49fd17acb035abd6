// The installer's header search over an installer file, keeping the bytes it reads: the search reads the
// file from its start up to the header block, the program in front of the payload on the way, and every
// reading command needs that program for its stub regions. Kept here, the program is read once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "payload/header_block.h"

namespace builder {

// Runs payload::try_find_header_block over the regular file open as `fd`, its own offset unmoved, and
// leaves in `kept` the file's first bytes, read once: all those the search read (the whole program and
// the block when found), or, when it read more than `limit`, as many of them as whole reads brought
// within it. A read error ends the search as the end of the file does, as it does for the installer.
payload::header_search search_keeping_bytes(int fd, payload::header_block& header, std::uint64_t& offset,
                                            std::string& kept, std::size_t limit);

}  // namespace builder
