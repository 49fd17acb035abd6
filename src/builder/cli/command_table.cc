// The command table: each command's operands, its usage prose and the function that runs it. The option
// lines between the prose come from option_table.cc; a "{setting ...}" in the prose is worded from the
// settings' table, a "{limit ...}" is the number of the constant that enforces it (usage.cc).
#include "builder/cli/command_table.h"

#include <algorithm>

#include "builder/commands/commands.h"

namespace builder {
namespace {

constexpr std::string_view BUILD_ABOUT =
    "Packs every regular file beneath SOURCE_DIR into the installer OUTPUT. Nothing is written unless\n"
    "the whole tree can be packed: OUTPUT appears complete or not at all.\n";

constexpr std::string_view BUILD_NOTES =
    "An update holds a delete entry for every file and directory of OLD's tree that a full installation\n"
    "does not leave (deepest first), and the entries of every file that is new or differs in bytes,\n"
    "time or mode, and of every file the installer's removals would take away meanwhile. Installed over\n"
    "exactly what OLD installed, it leaves exactly what a full build of SOURCE_DIR with the same options\n"
    "leaves in an empty target: build replays it over OLD's tree and refuses, naming the file and\n"
    "writing nothing, where the two would differ. The summary counts its entries against the files of a\n"
    "full installation and its payload against a full installer's. Without --full it installs over\n"
    "OLD's release only: before it removes or writes anything it checks as many of the files both trees\n"
    "hold as its profile region has room for (up to {limit base files}), those the update leaves in place\n"
    "first, beneath the target by their bytes (as OLD or the update leaves them), and stops, naming\n"
    "OLD's product, version and the file, where one is missing, of another kind or holds other bytes.\n"
    "\n"
    "A --license text is taken as written: printable UTF-8 (tabs become blanks to the next multiple of\n"
    "8 columns; CR LF line ends are read as LF), lines longer than {limit license columns} characters "
    "wrapped at a blank (a\n"
    "longer word keeps a line of its own), blank lines at the end dropped; at most {limit license region} "
    "bytes once laid\n"
    "out, from a regular file of at most {limit license file} bytes. The window title stays as it is (see "
    "--title).\n"
    "\n"
    "Each text holds at most {limit header text} bytes. SOURCE_DATE_EPOCH also caps every file's time at its "
    "value, so\n"
    "the same tree and options give the same installer byte for byte; each file's permission bits\n"
    "count too (--uniform-mode takes them out).\n"
    "\n"
    // One line up to its line feed: usage.cc fills it once the list stands in it.
    "The installer's texts and defaults are the vendor's to choose with {setting options}, "
    "or with a --profile FILE of UTF-8 'key = value' lines whose keys are those options' "
    "names without \"--\": blanks around key and value are dropped, blank lines and lines starting with "
    "'#' ignored; only recommend may repeat; a FILE value is relative to the profile's directory. An "
    "option given overrides the profile's setting of that name (--recommend: the whole list). Texts are "
    "printable UTF-8 (no tab) of lines at most {limit profile columns} columns (a wide character takes two); "
    "a text file may start "
    "with a byte order "
    "mark and end its lines with CR LF. The default directory must be one the directory screen takes "
    "without a question: absolute, without blank or tab, at most {limit target path} bytes, not the root, "
    "without "
    "\"/bin/\", under a recommended root; so must an absolute user default directory, while one under "
    "$HOME/ is judged from its '/' on, not against the roots, as its home is known only when the installer "
    "runs. A root without a final '/' gets one. The settings go into the "
    "stub's profile region, which the stub must carry; without any the stub is copied unchanged.\n"
    "--same-name-removal path narrows the removal below to what stands at the entry's own path.\n"
    "\n"
    "The installer removes every file of an entry's last name component anywhere beneath the target\n"
    "before it writes the entry: of a/x.h and b/x.h only b/x.h survives, and a delete entry old/x.h\n"
    "removes every x.h there. build refuses such files unless --allow-same-name is given; a delete entry\n"
    "comes before every file and so removes none of them.\n"
    "\n"
    "examples:\n"
    "  mkinstaller build --product VORNA --version 2.1 dist/vorna vorna-setup\n"
    "  mkinstaller build --product VORNA --license LICENSE.txt dist/vorna vorna-setup\n"
    "  mkinstaller build --profile vendor.profile --title 'VORNA Setup' dist/vorna vorna-setup\n"
    "  SOURCE_DATE_EPOCH=1700000000 mkinstaller build --exclude '*.o' --delete lib/old.so dist/vorna setup\n"
    "  mkinstaller build --version 2.1.1 --update-from vorna-2.1-setup dist/vorna vorna-2.1.1-update\n";

constexpr std::string_view LIST_ABOUT =
    "Prints the header block and one line per entry of INSTALLER's payload, and warns about files that\n"
    "share a last name component.\n";

constexpr std::string_view LIST_NOTES =
    "A header the installer refuses (missing, damaged, or not for a payload whole in its file) is an\n"
    "error. Control characters in names and texts (C1 too) are shown escaped (\\x1b, \\r, \\xc2\\x9b);\n"
    "--json escapes them as JSON.\n"
    "\n"
    "examples:\n"
    "  mkinstaller list vorna-setup\n"
    "  mkinstaller list --json vorna-setup | python3 -m json.tool\n";

constexpr std::string_view VERIFY_ABOUT =
    "Checks INSTALLER's payload as the installer would read it, in its order: the header block, every\n"
    "record, the layout of every entry in an empty target (same-name removals and delete entries\n"
    "included: an empty name, a name ending in '/', a file where a later entry needs a directory), the\n"
    "stored bytes, their decoding and every CRC; then the header totals against the records, and that\n"
    "the program in front of the payload is a stub this mkinstaller ships (byte for byte, outside its\n"
    "two regions), with a sound licence region, and a sound profile region whose settings build would\n"
    "have taken. Exits 0 when all is right, else names the first problem and the message the installer\n"
    "would stop with. Files that share a last name component are warned about.\n";

constexpr std::string_view VERIFY_NOTES = "example: mkinstaller verify vorna-setup\n";

constexpr std::string_view INFO_ABOUT =
    "Prints the product line and build stamp as the installer's welcome screen shows them, the space\n"
    "line of its directory screen, the payload's totals, every setting of its profile that differs from\n"
    "the stub's built-in value (a text as its first line and number of lines), and the licence\n"
    "agreement it shows: the first line and the number of lines of a --license text, or the stub's\n"
    "built-in agreement.\n";

constexpr std::string_view INFO_NOTES = "example: mkinstaller info vorna-setup\n";

constexpr std::string_view LICENSE_ABOUT =
    "Prints the licence text that build --license wrote into INSTALLER, line by line as its licence\n"
    "screen shows it. Fails when INSTALLER shows the agreement built into its stub.\n";

constexpr std::string_view LICENSE_NOTES = "example: mkinstaller license vorna-setup | less\n";

constexpr std::string_view EXTRACT_ABOUT =
    "Writes every file of INSTALLER's payload beneath DIR with its bytes, time and mode, without running\n"
    "the installer: no dialogue, no removal of same-named files, delete entries skipped. Existing files\n"
    "are never overwritten unless --force is given. Stops at the first damaged entry; an entry appears\n"
    "only once it has passed every check.\n"
    "\n"
    "Nothing is written outside DIR: a symbolic link beneath DIR, at any component of a path, is refused\n"
    "rather than followed.\n";

constexpr std::string_view EXTRACT_NOTES = "example: mkinstaller extract vorna-setup /tmp/vorna-contents\n";

constexpr std::string_view DIFF_ABOUT =
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
    "An update leaves only part of a tree in an empty target. diff --update OLD UPDATE NEW lays out\n"
    "OLD's tree first and UPDATE's entries over it, each installer with its own removal rule, and\n"
    "compares what they leave together with NEW's tree. Plain diff notes an update among its operands.\n";

constexpr std::string_view DIFF_NOTES =
    "Exit status: 0 when the trees are the same, 1 when they differ, 2 when an installer cannot be read\n"
    "or would stop before its end (then named as verify names it).\n"
    "\n"
    "examples:\n"
    "  mkinstaller diff vorna-2.0-setup vorna-2.1-setup\n"
    "  mkinstaller diff --update vorna-2.0-setup vorna-2.1-update vorna-2.1-setup\n";

// Each takes its operands in the order of its row.

int build_line(const command_line& line, std::ostream& out, std::ostream& warnings) {
    build_arguments args = line.build;
    args.source_dir = line.operands[0];
    args.output = line.operands[1];
    run_build(args, out, warnings);
    return STATUS_SUCCESS;
}

int list_line(const command_line& line, std::ostream& out, std::ostream& warnings) {
    run_list(line.operands[0], line.json, out, warnings);
    return STATUS_SUCCESS;
}

int verify_line(const command_line& line, std::ostream& out, std::ostream& warnings) {
    run_verify(line.operands[0], line.any_stub, out, warnings);
    return STATUS_SUCCESS;
}

int info_line(const command_line& line, std::ostream& out, std::ostream&) {
    run_info(line.operands[0], out);
    return STATUS_SUCCESS;
}

int license_line(const command_line& line, std::ostream& out, std::ostream&) {
    run_license(line.operands[0], out);
    return STATUS_SUCCESS;
}

int extract_line(const command_line& line, std::ostream& out, std::ostream&) {
    run_extract(line.operands[0], line.operands[1], line.force, line.keep_setid, out);
    return STATUS_SUCCESS;
}

int diff_line(const command_line& line, std::ostream& out, std::ostream& warnings) {
    return run_diff(line.operands[0], line.operands[1], line.update_of, line.json, out, warnings)
               ? STATUS_DIFFERENT
               : STATUS_SUCCESS;
}

// clang-format off
constexpr command_spec COMMANDS[] = {
    // name     operands                  about          notes          run            failure status
    //     summary
    {"build",   {"SOURCE_DIR", "OUTPUT"}, BUILD_ABOUT,   BUILD_NOTES,   build_line,    STATUS_ERROR,
        "pack a directory tree into a self-extracting installer"},
    {"list",    {"INSTALLER"},            LIST_ABOUT,    LIST_NOTES,    list_line,     STATUS_ERROR,
        "show an installer's header and entries"},
    {"verify",  {"INSTALLER"},            VERIFY_ABOUT,  VERIFY_NOTES,  verify_line,   STATUS_ERROR,
        "check an installer's payload"},
    {"info",    {"INSTALLER"},            INFO_ABOUT,    INFO_NOTES,    info_line,     STATUS_ERROR,
        "show the product line, build stamp and totals as the installer shows them"},
    {"license", {"INSTALLER"},            LICENSE_ABOUT, LICENSE_NOTES, license_line,  STATUS_ERROR,
        "print the licence text written into an installer"},
    {"extract", {"INSTALLER", "DIR"},     EXTRACT_ABOUT, EXTRACT_NOTES, extract_line,  STATUS_ERROR,
        "write an installer's files into a directory"},
    // As diff(1): 0 same, 1 different, 2 trouble.
    {"diff",    {"OLD", "NEW"},           DIFF_ABOUT,    DIFF_NOTES,    diff_line,     STATUS_TROUBLE,
        "compare the trees two installers leave"},
};
// clang-format on

}  // namespace

std::span<const command_spec> command_table() {
    return COMMANDS;
}

const command_spec* command_named(std::string_view name) {
    const auto found = std::ranges::find(COMMANDS, name, &command_spec::name);
    return found == std::end(COMMANDS) ? nullptr : found;
}

std::size_t operand_count(const command_spec& command) {
    return static_cast<std::size_t>(
        std::ranges::count_if(command.operands, [](auto op) { return !op.empty(); }));
}

}  // namespace builder
