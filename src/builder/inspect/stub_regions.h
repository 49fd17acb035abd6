// The stub regions of the program in front of an installer's payload, both found in the same bytes: what
// the installer does with them at its start, and verify's demand that they be as build writes them. How a
// region is found in a stub's bytes and worded is the format layer's (stub_license.h, stub_profile.h,
// region_words.h); where the bytes come from is the installer file's (installer_file.h).
#pragma once

#include <string>
#include <string_view>

#include "builder/format/stub_license.h"
#include "builder/format/stub_profile.h"

namespace builder {

struct stub_regions {
    stub_profile profile;
    stub_license license;
};

// The regions of `program`, the bytes in front of a payload.
stub_regions find_stub_regions(std::string_view program);

// What the installer whose program carries `regions` does at start-up, before its welcome screen, when it
// gets no further: which region it judges damaged ("the profile region at offset N is damaged (...)", the
// profile region first, as it checks them) and the message it stops with. Empty when it gets to its
// welcome screen; a program without the licence region is no installer stub, for the caller to say.
std::string start_refusal(const stub_regions& regions);

// For verify, once the payload has passed: throws error, the message starting with `command`, unless the
// program is an installer stub (it carries the licence region once) whose profile region is there once or
// not at all, each region declaring the capacity the stub reads: build writes no other.
void require_regions_as_built(const stub_regions& regions, const std::string& command);

}  // namespace builder
