// The checksum file `build --checksum` writes beside OUTPUT: one line that `sha256sum -c` reads.
#pragma once

#include <string>

#include "builder/util/output_file.h"

namespace builder {

// The line `sha256sum -c` reads, run in OUTPUT's directory: the digest, two spaces, the file's own name.
// A name holding a backslash or a line feed is written as sha256sum writes it: the line starts with a
// backslash, and both are escaped.
std::string checksum_line(const output_file& out);

}  // namespace builder
