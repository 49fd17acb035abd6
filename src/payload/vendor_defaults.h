// The screens' texts around the vendor's settings, exact to the byte, and the directory rules that the
// default target directory and the recommended roots take part in: mkinstaller judges a default
// directory by the rules the directory screen applies. The settings and their built-in values are in
// vendor_settings_table.h.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace payload {

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
