// The payload's SHA-256 under the builder's names, and its digests as text: the checksum file
// `build --checksum` writes beside OUTPUT, and the digests by which the trees two installers leave are
// compared (diff, and the update a build plans).
#pragma once

#include <string>

#include "payload/sha256.h"

namespace builder {

using payload::sha256_digest;
using payload::sha256_final;
using payload::sha256_init;
using payload::sha256_state;
using payload::sha256_update;

// The digest as 64 lowercase hexadecimal digits.
std::string sha256_hex(const sha256_digest& digest);

}  // namespace builder
