// An entry's bytes as the installer produces them, for verify and extract, with the installer's checks in
// its order: the stored bytes all there, their CRC, the decoding, the data CRC. Memory stays bounded by the
// installer file's real size: a size is compared with what is left of the file before anything is
// allocated, a stored entry passes through in chunks, and a compressed one is decoded 8192 bytes at a time
// (only its compressed stream is held whole, as the decoder needs it). The work stays bounded by what the
// record claims: the decoder stops at its file size, which the payload walk has held to the header's
// total before the first byte is decoded.
#pragma once

#include <cstdint>
#include <string>

#include "builder/inspect/installer_reader.h"
#include "builder/util/sha256.h"

namespace builder {

// Where the file's bytes go while they are produced: nowhere (verify), a descriptor (extract), a digest
// (the tree an installer leaves).
struct entry_output {
    int fd = -1;
    std::string name;  // for a write error's message
    sha256_state* digest = nullptr;
    std::string* kept = nullptr;  // the bytes are appended here too (a link's text)
};

// Reads the entry's stored bytes from the stream and produces its file bytes, writing them to `output`
// as they come; a write that fails throws error. The bytes written are only sound when no problem is
// returned: a damaged entry may have written some before its failure came to light.
entry_problem stream_entry_bytes(installer_payload& in, const payload::file_record& record,
                                 const entry_output& output = {});

// The file bytes produced so far in this process, stored and decoded alike: a count of the work that
// reading entries has done, for the tests that bound it.
std::uint64_t entry_bytes_produced();

}  // namespace builder
