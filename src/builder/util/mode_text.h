// The bits of an entry's mode worth a word before installing: the installer sets a mode as it is
// recorded, so set-user-ID and set-group-ID give whoever runs the file its owner's or group's rights.
#pragma once

#include <cstdint>
#include <string>

namespace builder {

// The set-user-ID, set-group-ID and sticky bits of `mode` in words ("set-user-ID, sticky"), or empty.
std::string special_bits_text(std::uint32_t mode);

// The permission bits of `mode` as messages show them: "04755".
std::string permission_text(std::uint32_t mode);

}  // namespace builder
