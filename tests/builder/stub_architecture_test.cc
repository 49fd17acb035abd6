// The architecture read from the ELF header at the front of a program: the two stubs' machines, another
// machine, and the bytes that are no 64-bit little-endian ELF header.
#include <gtest/gtest.h>

#include "builder/format/stub_architecture.h"
#include "support/elf_head.h"

namespace {

using testing_support::elf_head;

std::string with_byte(std::string bytes, std::size_t at, char value) {
    bytes[at] = value;
    return bytes;
}

TEST(StubArchitecture, ReadFromTheElfHeaderOnly) {
    const struct {
        const char* what;
        std::string program;
        std::string text;
    } CASES[] = {
        {"x86-64", elf_head(62) + "rest", "x86-64"},
        {"aarch64", elf_head(183), "aarch64"},
        {"another machine", elf_head(40), "unknown (machine 40)"},
        {"a machine number above 255", elf_head(0x1234), "unknown (machine 4660)"},
        {"no ELF magic", with_byte(elf_head(62), 1, 'X'), "unknown"},
        {"32-bit", with_byte(elf_head(62), 4, 1), "unknown"},
        {"big-endian", with_byte(elf_head(62), 5, 2), "unknown"},
        {"cut before e_machine's last byte", elf_head(62).substr(0, 19), "unknown"},
        {"empty", "", "unknown"},
    };
    for (const auto& c : CASES) EXPECT_EQ(builder::architecture_text(c.program), c.text) << c.what;
}

}  // namespace
