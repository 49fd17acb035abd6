// An entry's bytes as the installer produces them, for verify and extract: its stored bytes read whole and
// checked, then the file's bytes made from them and checked against the data CRC.
#pragma once

#include <vector>

#include "builder/installer_reader.h"

namespace builder {

// Reads the entry's `stored_size` bytes into `stored` and checks their CRC.
entry_problem read_stored_bytes(installer_payload& in, const payload::file_record& record,
                                std::vector<unsigned char>& stored);

// Makes the file's `file_size` bytes from the stored bytes: a stored entry's bytes are the file, any other
// method's are decoded in chunks of 8192 bytes as the installer asks for them. Then checks the data CRC.
entry_problem produce_file_bytes(const installer_payload& in, const payload::file_record& record,
                                 const std::vector<unsigned char>& stored, std::vector<unsigned char>& file);

}  // namespace builder
