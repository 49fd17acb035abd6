// The licence region of the program in front of an installer's payload, read from the installer file.
#pragma once

#include <string>

#include "builder/format/stub_license.h"
#include "builder/inspect/installer_reader.h"

namespace builder {

// The licence region of the program in front of `in`'s payload; the stream does not move. Throws error,
// the message starting with `command`, when the bytes cannot be read.
stub_license read_installer_license(const installer_payload& in, const std::string& command);

// For verify: throws error, the message starting with `command`, unless the program in front of `in`'s
// payload is an installer stub whose licence region is sound.
void require_installer_stub(const installer_payload& in, const std::string& command);

}  // namespace builder
