// Usage texts, each with a short example.
#include "builder/cli/usage.h"

namespace builder {
namespace {

constexpr std::string_view USAGE_BUILD =
    "usage: mkinstaller build [OPTIONS] SOURCE_DIR OUTPUT\n"
    "\n"
    "Packs every regular file beneath SOURCE_DIR into the installer OUTPUT. Nothing is written unless\n"
    "the whole tree can be packed: OUTPUT appears complete or not at all.\n"
    "\n"
    "  --product NAME        product name (default: the last component of SOURCE_DIR)\n"
    "  --version TEXT        version text (default: 1.0)\n"
    "  --platform TEXT       platform phrase (default: for Linux)\n"
    "  --build-time SECONDS  build time, seconds since 1970-01-01 UTC\n"
    "                        (default: SOURCE_DATE_EPOCH when set, else now)\n"
    "  --stub PATH           installer stub (default: the installer beside mkinstaller, else\n"
    "                        " MKINSTALLER_INSTALLED_STUB
    " from mkinstaller's real place);\n"
    "                        it must carry the installer's licence region\n"
    "  --license FILE        show the text of FILE as the licence agreement instead of the stub's\n"
    "                        built-in one (UTF-8; see below)\n"
    "  --level N             compression level, 1 (fastest) to 9 (smallest); default 6\n"
    "  --store               store every file uncompressed (not with --level)\n"
    "  -j, --jobs N          read and compress files on N threads, 1 to 256 (default: one per online\n"
    "                        core); the installer is the same byte for byte for every N. Memory grows\n"
    "                        with N: files read ahead hold at most N times the largest file plus\n"
    "                        16 MiB, each with its compressed form\n"
    "  --exclude PATTERN     leave out files and directories whose relative name matches the shell\n"
    "                        pattern ('*' matches '/' too); repeatable\n"
    "  --delete PATH         make the installer remove PATH beneath the target before it writes any\n"
    "                        file; repeatable, in the order given\n"
    "  --file-mode           install each file with its own permission bits (default: 0755 for all)\n"
    "  --allow-same-name     build even when files share a last name component (see below)\n"
    "  --strict              make every other warning an error (skipped files and directories, sizes\n"
    "                        that are not the length of a file of /proc or /sys)\n"
    "  --checksum            also write OUTPUT.sha256, for 'sha256sum -c' run in OUTPUT's directory\n"
    "  --update-from OLD     write an update instead: the entries that turn the tree the installer\n"
    "                        OLD leaves into the tree a full build leaves (see below)\n"
    "  --full                with --update-from: carry every file as well, so that the update also\n"
    "                        installs into an empty target\n"
    "  --quiet               no progress bar, no summary, no report on standard output\n"
    "\n"
    "An update holds a delete entry for every file and directory of OLD's tree that a full installation\n"
    "does not leave (deepest first), and the entries of every file that is new or differs in bytes,\n"
    "time or mode, and of every file the installer's removals would take away meanwhile. Installed over\n"
    "exactly what OLD installed, it leaves exactly what a full build of SOURCE_DIR with the same options\n"
    "leaves in an empty target: build replays it over OLD's tree and refuses, naming the file and\n"
    "writing nothing, where the two would differ. The summary counts its entries against the files of a\n"
    "full installation and its payload against a full installer's.\n"
    "\n"
    "A --license text is taken as written: printable UTF-8 (tabs become blanks to the next multiple of\n"
    "8 columns; CR LF line ends are read as LF), lines longer than 79 characters wrapped at a blank (a\n"
    "longer word keeps a line of its own), blank lines at the end dropped; at most 65536 bytes once laid\n"
    "out. The installer's window title stays its own.\n"
    "\n"
    "Each text holds at most 63 bytes. SOURCE_DATE_EPOCH also caps every file's time at its value, so\n"
    "the same tree and options give the same installer byte for byte.\n"
    "\n"
    "The installer removes every file of an entry's last name component anywhere beneath the target\n"
    "before it writes the entry: of a/x.h and b/x.h only b/x.h survives, and a delete entry old/x.h\n"
    "removes every x.h there. build refuses such files unless --allow-same-name is given; a delete entry\n"
    "comes before every file and so removes none of them.\n"
    "\n"
    "examples:\n"
    "  mkinstaller build --product VORNA --version 2.1 dist/vorna vorna-setup\n"
    "  mkinstaller build --product VORNA --license LICENSE.txt dist/vorna vorna-setup\n"
    "  SOURCE_DATE_EPOCH=1700000000 mkinstaller build --exclude '*.o' --delete lib/old.so dist/vorna setup\n"
    "  mkinstaller build --version 2.1.1 --update-from vorna-2.1-setup dist/vorna vorna-2.1.1-update\n";

constexpr std::string_view USAGE_LIST =
    "usage: mkinstaller list [--json] INSTALLER\n"
    "\n"
    "Prints the header block and one line per entry of INSTALLER's payload, and warns about files that\n"
    "share a last name component.\n"
    "\n"
    "  --json  one JSON object: the header fields, \"entries\" (name, method, method_number, size,\n"
    "          stored_size, mtime, mode as an octal text) and \"warnings\"; \"error\" when damaged or\n"
    "          refused by the installer (then only \"entries\", \"warnings\" and \"error\" when the\n"
    "          header block is missing or damaged), with exit status 1\n"
    "\n"
    "A header the installer refuses (missing, damaged, or not for a payload whole in its file) is an\n"
    "error. Control bytes in names and texts are shown escaped (\\x1b, \\r); --json escapes them as JSON.\n"
    "\n"
    "examples:\n"
    "  mkinstaller list vorna-setup\n"
    "  mkinstaller list --json vorna-setup | python3 -m json.tool\n";

constexpr std::string_view USAGE_VERIFY =
    "usage: mkinstaller verify INSTALLER\n"
    "\n"
    "Checks INSTALLER's payload as the installer would read it, in its order: the header block, every\n"
    "record, the layout of every entry in an empty target (same-name removals and delete entries\n"
    "included: an empty name, a name ending in '/', a file where a later entry needs a directory), the\n"
    "stored bytes, their decoding and every CRC; then the header totals against the records, and that\n"
    "the program in front of the payload is an installer stub with a sound licence region. Exits 0 when\n"
    "all is right, else names the first problem and the message the installer would stop with. Files\n"
    "that share a last name component are warned about.\n"
    "\n"
    "example: mkinstaller verify vorna-setup\n";

constexpr std::string_view USAGE_INFO =
    "usage: mkinstaller info INSTALLER\n"
    "\n"
    "Prints the product line and build stamp as the installer's welcome screen shows them, the space\n"
    "line of its directory screen, the payload's totals, and the licence agreement it shows: the first\n"
    "line and the number of lines of a --license text, or the stub's built-in agreement.\n"
    "\n"
    "example: mkinstaller info vorna-setup\n";

constexpr std::string_view USAGE_LICENSE =
    "usage: mkinstaller license INSTALLER\n"
    "\n"
    "Prints the licence text that build --license wrote into INSTALLER, line by line as its licence\n"
    "screen shows it. Fails when INSTALLER shows the agreement built into its stub.\n"
    "\n"
    "example: mkinstaller license vorna-setup | less\n";

constexpr std::string_view USAGE_EXTRACT =
    "usage: mkinstaller extract [--force] [--keep-setid] INSTALLER DIR\n"
    "\n"
    "Writes every file of INSTALLER's payload beneath DIR with its bytes, time and mode, without running\n"
    "the installer: no dialogue, no removal of same-named files, delete entries skipped. Existing files\n"
    "are never overwritten unless --force is given. Stops at the first damaged entry; an entry appears\n"
    "only once it has passed every check.\n"
    "\n"
    "Nothing is written outside DIR: a symbolic link beneath DIR, at any component of a path, is refused\n"
    "rather than followed.\n"
    "\n"
    "  --force       replace files that already exist (as names: a link to the file elsewhere keeps\n"
    "                its bytes); anything but a file at an entry's place is still refused\n"
    "  --keep-setid  keep set-user-ID, set-group-ID and sticky bits (dropped by default)\n"
    "\n"
    "example: mkinstaller extract vorna-setup /tmp/vorna-contents\n";

constexpr std::string_view USAGE_DIFF =
    "usage: mkinstaller diff [--json] OLD NEW\n"
    "\n"
    "Compares the trees the installers OLD and NEW leave in an empty target directory, worked out from\n"
    "their payloads as the installer lays them out (same-name removals and delete entries included), and\n"
    "prints one line per difference, in byte order of the paths:\n"
    "\n"
    "  added    PATH     NEW leaves it, OLD does not\n"
    "  removed  PATH     OLD leaves it, NEW does not\n"
    "  changed  PATH (bytes, time, mode)\n"
    "                    both leave the file, differing in what is listed\n"
    "\n"
    "A directory's path ends in '/'. A time or mode the installer does not set (a record whose time is\n"
    "0) only equals another that is not set.\n"
    "\n"
    "  --json  one JSON object: \"equal\", and \"changes\", each with \"change\" (added, removed,\n"
    "          changed), \"path\" and, for a changed file, \"bytes\", \"time\" and \"mode\" as true or "
    "false\n"
    "\n"
    "Exit status: 0 when the trees are the same, 1 when they differ, 2 when an installer cannot be read\n"
    "or would stop before its end (then named as verify names it).\n"
    "\n"
    "example: mkinstaller diff vorna-2.0-setup vorna-2.1-setup\n";

constexpr std::string_view USAGE_ALL =
    "usage: mkinstaller build [OPTIONS] SOURCE_DIR OUTPUT\n"
    "       mkinstaller list [--json] INSTALLER\n"
    "       mkinstaller verify INSTALLER\n"
    "       mkinstaller info INSTALLER\n"
    "       mkinstaller license INSTALLER\n"
    "       mkinstaller extract [--force] [--keep-setid] INSTALLER DIR\n"
    "       mkinstaller diff [--json] OLD NEW\n"
    "       mkinstaller [COMMAND] --help\n"
    "       mkinstaller --version\n"
    "\n"
    "  build    pack a directory tree into a self-extracting installer\n"
    "  list     show an installer's header and entries\n"
    "  verify   check an installer's payload\n"
    "  info     show the product line, build stamp and totals as the installer shows them\n"
    "  license  print the licence text written into an installer\n"
    "  extract  write an installer's files into a directory\n"
    "  diff     compare the trees two installers leave\n"
    "\n"
    "Exit status: 0 success, 1 error, 2 usage error (diff: 0 same, 1 different, 2 error).\n"
    "\n"
    "examples:\n"
    "  mkinstaller build --product VORNA dist/vorna vorna-setup && mkinstaller verify vorna-setup\n"
    "  mkinstaller build --help\n";

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
        case command_kind::info:
            return USAGE_INFO;
        case command_kind::license:
            return USAGE_LICENSE;
        case command_kind::diff:
            return USAGE_DIFF;
        case command_kind::none:
            break;
    }
    return USAGE_ALL;
}

std::string_view version_text() {
    return "mkinstaller " MKINSTALLER_VERSION "\n";
}

}  // namespace builder
