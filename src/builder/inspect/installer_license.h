// The stub regions of the program in front of an installer's payload, read from the installer file: its
// bytes, and the licence region in them.
#pragma once

#include <string>

#include "builder/format/stub_license.h"
#include "builder/inspect/installer_reader.h"

namespace builder {

// The bytes of the program in front of `in`'s payload; the stream does not move. Throws error, the
// message starting with `command`, when they cannot be read.
std::string read_stub_bytes(const installer_payload& in, const std::string& command);

// The licence region of the program in front of `in`'s payload; the stream does not move. Throws error,
// the message starting with `command`, when the bytes cannot be read.
stub_license read_installer_license(const installer_payload& in, const std::string& command);

// For verify: throws error, the message starting with `command`, unless the program in front of `in`'s
// payload is an installer stub whose licence region is sound.
void require_installer_stub(const installer_payload& in, const std::string& command);

}  // namespace builder
