// The built-in values of the vendor's settings (profile_region.h), exact to the byte, and the directory
// rules that the default target directory and the recommended roots take part in. The installer shows
// these values when its profile region is unwritten; mkinstaller compares a profile against them and
// judges a default directory by the rules the directory screen applies.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace payload {

constexpr std::string_view DEFAULT_TITLE = "KAVO(R) Software Installation";
constexpr std::string_view DEFAULT_THANKS = "Thanks for purchasing KAVO(R) imaging products.";
constexpr std::string_view DEFAULT_TARGET_DIR = "/usr/local/vorna";
constexpr std::array<std::string_view, 2> DEFAULT_ROOTS = {"/usr/", "/home/"};

// What follows "Files installed!" and its line feed.
constexpr std::string_view DEFAULT_CLOSING_TEXT =
    "See \"Library Installation\" in the VORNA 'C' Library Reference Manual\n"
    "for hardware and software configuration options.\n\nAlso, see files:\n"
    "VORNADST.TXT Describes the various files installed.\nVORNARLS.TXT Up-to-the minute release notes.\n"
    "VORNA.HTM    The full VORNA Reference Manual.\n\nIf the RUDEK C/C++ Library was also installed:\n"
    "RUDEKDST.TXT Describes the various files installed.\nRUDEKRLS.TXT Up-to-the minute release notes.\n";

// The paragraph of the existing-directory warning between the directory and the answers.
constexpr std::string_view DEFAULT_EXISTING_DIR_TEXT =
    "Installing into a different directory is prudent -\n"
    "in the unlikely event of a media failure, the\nprevious functioning version remains intact.\n"
    "After the new version has been installed\ninto a different directory and sucessfully used,\n"
    "the old version's directory can be deleted with\nstandard O.S. commands.\n";

// The existing-directory warning around its paragraph: the head is a format with one "%s", the directory.
constexpr const char* EXISTING_DIR_HEAD = "\n\nThe directory \n    %s\nalready exists!\n\n";
constexpr std::string_view EXISTING_DIR_TAIL =
    "Select 'Next' to proceed with the installation,\nor 'Back' to select a different directory.\n";
constexpr std::string_view FILES_INSTALLED_HEAD = "\n\nFiles installed!\n";

// The directory screen's rules that need no file system, in its own terms: a blank or tab anywhere;
// one of the three spellings of the root; "/bin/" anywhere; a byte prefix of one of `roots`.
bool has_blank(std::string_view path);
bool is_root_spelling(std::string_view path);
bool is_in_bin(std::string_view path);
bool is_under_root(std::string_view path, std::span<const std::string_view> roots);

// The warning for a path under none of `roots`, "\n\nInstalling anywhere other than under '/usr' or
// '/home' directories is not recommended.\n" for the built-in pair: each root quoted without its
// closing '/' ("/" itself stays), joined by ", " and a last " or ".
std::string outside_roots_message(std::span<const std::string_view> roots);

}  // namespace payload
