// The machine a stub is built for, as the ELF header at the start of a program names it: the
// architectures mkinstaller ships stubs for, their names on the command line, and the words info and
// list use for any program. Only the identification and e_machine are read; no other ELF structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "payload/installer_report.h"

namespace builder {

constexpr std::uint16_t ELF_MACHINE_X86_64 = 62;
constexpr std::uint16_t ELF_MACHINE_AARCH64 = 183;

struct architecture {
    std::string_view name;  // as --arch takes it, and as another stub's file name ends: installer-aarch64
    std::uint16_t machine;  // e_machine
};

constexpr architecture ARCHITECTURES[] = {
    {"x86-64", ELF_MACHINE_X86_64},
    {"aarch64", ELF_MACHINE_AARCH64},
};

// The architecture mkinstaller runs on: the one its own stub, "installer", is built for.
constexpr std::string_view OWN_ARCHITECTURE = payload::COMPILED_ARCHITECTURE;

// The bytes of the ELF header read here: e_ident and e_type come before e_machine.
constexpr std::size_t ELF_HEAD_SIZE = 20;

// e_machine of the 64-bit little-endian ELF program at the start of `program`; nothing for any other
// bytes (no ELF magic, another class or byte order, fewer than ELF_HEAD_SIZE bytes).
std::optional<std::uint16_t> elf_machine(std::string_view program);

// The row of ARCHITECTURES named `name`, or null.
const architecture* architecture_named(std::string_view name);

// "x86-64", "aarch64", "unknown (machine 40)" for another machine, "unknown" for a program that is no
// 64-bit little-endian ELF.
std::string architecture_text(std::string_view program);

}  // namespace builder
