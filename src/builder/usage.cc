// Usage texts, each with a short example.
#include "builder/usage.h"

namespace builder {
namespace {

constexpr std::string_view USAGE_BUILD =
    "usage: mkinstaller build [OPTIONS] SOURCE_DIR OUTPUT\n"
    "\n"
    "Packs every regular file beneath SOURCE_DIR into the installer OUTPUT.\n"
    "\n"
    "  --product NAME        product name (default: the last component of SOURCE_DIR)\n"
    "  --version TEXT        version text (default: 1.0)\n"
    "  --platform TEXT       platform phrase (default: for Linux)\n"
    "  --build-time SECONDS  build time, seconds since 1970-01-01 UTC\n"
    "                        (default: SOURCE_DATE_EPOCH when set, else now)\n"
    "  --stub PATH           installer stub (default: the installer beside mkinstaller)\n"
    "  --level N             compression level, 1 (fastest) to 9 (smallest); default 6\n"
    "  --store               store every file uncompressed\n"
    "\n"
    "Each text holds at most 63 bytes.\n"
    "\n"
    "example: mkinstaller build --product VORNA --version 2.1 dist/vorna vorna-setup\n";

constexpr std::string_view USAGE_LIST =
    "usage: mkinstaller list INSTALLER\n"
    "\n"
    "Prints the header block and one line per entry of INSTALLER's payload.\n"
    "\n"
    "example: mkinstaller list vorna-setup\n";

constexpr std::string_view USAGE_VERIFY =
    "usage: mkinstaller verify INSTALLER\n"
    "\n"
    "Checks INSTALLER's payload as the installer would read it; exits 0 when all is right.\n"
    "\n"
    "example: mkinstaller verify vorna-setup\n";

constexpr std::string_view USAGE_EXTRACT =
    "usage: mkinstaller extract [--force] INSTALLER DIR\n"
    "\n"
    "Writes every file of INSTALLER's payload beneath DIR with its bytes, time and mode, without running\n"
    "the installer: no dialogue, no removal of same-named files, delete entries skipped. Existing files\n"
    "are never overwritten unless --force is given. Stops at the first damaged entry.\n"
    "\n"
    "  --force  overwrite files that already exist\n"
    "\n"
    "example: mkinstaller extract vorna-setup /tmp/vorna-contents\n";

constexpr std::string_view USAGE_ALL =
    "usage: mkinstaller build [OPTIONS] SOURCE_DIR OUTPUT\n"
    "       mkinstaller list INSTALLER\n"
    "       mkinstaller verify INSTALLER\n"
    "       mkinstaller extract [--force] INSTALLER DIR\n"
    "       mkinstaller [COMMAND] --help\n"
    "\n"
    "  build    pack a directory tree into a self-extracting installer\n"
    "  list     show an installer's header and entries\n"
    "  verify   check an installer's payload\n"
    "  extract  write an installer's files into a directory\n"
    "\n"
    "example: mkinstaller build --product VORNA dist/vorna vorna-setup && mkinstaller verify vorna-setup\n";

}  // namespace

std::string_view usage_text(command_kind command) {
    switch (command) {
        case command_kind::build:
            return USAGE_BUILD;
        case command_kind::list:
            return USAGE_LIST;
        case command_kind::verify:
            return USAGE_VERIFY;
        case command_kind::extract:
            return USAGE_EXTRACT;
        case command_kind::none:
            break;
    }
    return USAGE_ALL;
}

}  // namespace builder
