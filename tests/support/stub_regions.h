// Installers carrying vendor settings or a vendor licence: the built stub's bytes with one of its regions
// (payload/stub_region.h) written as mkinstaller writes it, made here byte by byte so that a test can
// give any settings, sound or damaged, without mkinstaller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "payload/stub_region.h"
#include "support/installer_run.h"

namespace testing_support {

// One record of the profile region: a PROFILE_* setting and its value.
struct profile_setting {
    std::uint8_t setting;
    std::string value;
};

// A base file's record value as mkinstaller writes it: sizes and digests of `old_bytes` and `new_bytes`,
// then `path`.
std::string base_content_value(const std::string& path, const std::string& old_bytes,
                               const std::string& new_bytes);

// The records of `settings` one after another, as the region's content holds them.
std::string profile_content(const std::vector<profile_setting>& settings);

// Offset in `image` of the region marked by `kept`; throws when the marker is not there.
std::size_t region_offset(const std::string& image, const payload::kept_marker& kept);

// Writes `content` into the region beginning at `region`: length, CRC-16 from 0 and the content, zero
// bytes behind it to the end of the area. Throws when the content exceeds the area's capacity.
void write_region(unsigned char* region, const std::string& content);

// The built stub's bytes with `settings` in its profile region.
std::string profiled_stub(const std::vector<profile_setting>& settings);

// Writes `stub` followed by `payload` (as stub_with_payload lays it out) to `path` with mode 0755.
std::string write_installer_with_stub(const std::string& path, const std::string& stub,
                                      const test_payload& payload);

// Executes the installer file `image` itself, as a user runs it: its own regions are the ones read.
process_result run_itself(const std::string& image, const std::string& input,
                          const std::vector<std::string>& args = {});

}  // namespace testing_support
