// The start of a 64-bit little-endian ELF program, all that mkinstaller reads to tell which machine a
// stub is for: a stand-in stub of any architecture is another stub with this at its front.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

// The 64-byte ELF header of a program for `machine` (e_machine), its other fields zero.
inline std::string elf_head(std::uint16_t machine) {
    std::string head(64, '\0');
    head.replace(0, 7,
                 "\x7f"
                 "ELF\x02\x01\x01");
    head[16] = 2;  // ET_EXEC
    head[18] = static_cast<char>(machine & 0xff);
    head[19] = static_cast<char>(machine >> 8);
    return head;
}

// `program` with its first 64 bytes replaced by elf_head(machine).
inline std::string with_elf_head(std::string program, std::uint16_t machine) {
    return program.replace(0, 64, elf_head(machine));
}

}  // namespace testing_support
