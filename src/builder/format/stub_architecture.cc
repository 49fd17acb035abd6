// Reading the architecture from the ELF header.
#include "builder/format/stub_architecture.h"

namespace builder {
namespace {

// e_ident: the magic, then EI_CLASS (2: 64-bit) and EI_DATA (1: little-endian).
constexpr std::string_view ELF_IDENT_64_LE{
    "\x7f"
    "ELF\x02\x01",
    6};
constexpr std::size_t ELF_MACHINE_OFFSET = 18;

}  // namespace

std::optional<std::uint16_t> elf_machine(std::string_view program) {
    if (program.size() < ELF_HEAD_SIZE || !program.starts_with(ELF_IDENT_64_LE)) return std::nullopt;
    const auto byte = [&](std::size_t at) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(program[at]));
    };
    return static_cast<std::uint16_t>(byte(ELF_MACHINE_OFFSET) | byte(ELF_MACHINE_OFFSET + 1) << 8);
}

const architecture* architecture_named(std::string_view name) {
    for (const architecture& arch : ARCHITECTURES) {
        if (arch.name == name) return &arch;
    }
    return nullptr;
}

std::string architecture_text(std::string_view program) {
    const std::optional<std::uint16_t> machine = elf_machine(program);
    if (!machine) return "unknown";
    for (const architecture& arch : ARCHITECTURES) {
        if (arch.machine == *machine) return std::string(arch.name);
    }
    return "unknown (machine " + std::to_string(*machine) + ")";
}

}  // namespace builder
