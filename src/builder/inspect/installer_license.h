// The stub regions of the program in front of an installer's payload, read from the installer file: its
// bytes, and the licence region in them.
#pragma once

#include <string>

#include "builder/format/region_place.h"
#include "builder/format/stub_license.h"
#include "builder/format/stub_profile.h"
#include "builder/inspect/installer_reader.h"

namespace builder {

// The bytes of the program in front of `in`'s payload; the stream does not move. Throws error, the
// message starting with `command`, when they cannot be read.
std::string read_stub_bytes(const installer_payload& in, const std::string& command);

// The licence region of the program in front of `in`'s payload; the stream does not move. Throws error,
// the message starting with `command`, when the bytes cannot be read.
stub_license read_installer_license(const installer_payload& in, const std::string& command);

// For verify: the licence region of the program in front of `in`'s payload. Throws error, the message
// starting with `command`, unless that program is an installer stub (a damaged region is start_refusal's
// to name).
stub_license require_installer_stub(const installer_payload& in, const std::string& command);

// What the installer whose program carries `profile` and `license` does at start-up, before its welcome
// screen, when it gets no further: which region it judges damaged ("the profile region at offset N is
// damaged (...)", the profile region first, as it checks them) and the message it stops with. Empty when it
// gets to its welcome screen; a program without the licence region is no installer stub, for the caller to
// say.
std::string start_refusal(const stub_profile& profile, const stub_license& license);

// For verify: throws error, the message starting with `command`, unless the region found at `offset`
// declares the capacity the stub reads (`bounds`): build writes no other.
void require_declared_capacity(std::uint32_t declared, const region_kind& kind, std::uint64_t offset,
                               const std::string& command);

}  // namespace builder
