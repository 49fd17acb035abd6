// Whether the program in front of an installer's payload is a stub this mkinstaller ships: byte for byte
// one of them outside its two regions, then nothing but the zero bytes up to the header block. Only then
// does the payload say what the program will do with it; any other program may do anything.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace builder {

struct stub_identity {
    bool shipped = false;
    std::string stub;  // the shipped stub it is, or the first one it was compared with; empty: none
    // Not shipped: how it differs from `stub` ("differs from it at offset 4096"), or that there was none.
    std::string difference;
    std::uint64_t profile_offset = 0;  // shipped: where the stub holds its regions
    std::uint64_t license_offset = 0;
};

// Compares `program` with each stub of `shipped` (paths; those that cannot be read are passed over).
stub_identity identify_stub(std::string_view program, const std::vector<std::string>& shipped);

// "the program in front of the payload is not a stub this mkinstaller ships (it differs from \"S\" at
// offset 4096)", for an identity that is not shipped.
std::string not_shipped_text(const stub_identity& identity);

}  // namespace builder
