// The vendor's settings of a build (the stub's profile region, src/payload/profile_region.h): gathered
// from a --profile file and the options, which override the profile's setting of their name; the text
// files read; every value checked as the installer's screens need it. A text the welcome screen would
// show garbled, or a default directory the directory screen would question, stops the build before the
// tree is read. verify judges a written region by the same checks. Not here: where the region lies in a
// stub and how it is written (format/stub_profile.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "builder/format/stub_profile.h"
#include "builder/pack/build_settings.h"

namespace builder {

// The longest line of a text, in characters, as the licence's layout counts them.
constexpr std::size_t PROFILE_TEXT_COLUMNS = 79;
// A profile, or a text file, larger than this is the wrong file: every text must fit the profile
// region's 16 KiB, even with CR LF line ends.
constexpr std::uint64_t PROFILE_FILE_MAX_SIZE = 65536;

// The settings `args` give, --profile's and the options', read and checked. Throws error naming the
// setting ("--title ...", "profile FILE:LINE: title ...") and what is wrong with it.
profile_settings resolve_profile_settings(const build_arguments& args);

// The first setting of `settings` (as a written region holds them) that build would refuse, named by its
// option, or empty when build would take them all.
std::string profile_settings_problem(const profile_settings& settings);

// The single checks, each giving what is wrong or an empty text:
// a one-line text (title, thanks): printable UTF-8 without line feed, at most 79 characters;
std::string one_line_problem(std::string_view text, bool may_be_empty);
// a text of lines, each ended by a line feed (closing and existing-directory texts), or none; a laid-out
// licence may hold a word wider than its wrap width, so verify judges its lines at any width;
std::string lines_problem(std::string_view text, std::size_t max_columns = PROFILE_TEXT_COLUMNS);
// a recommended root as given (a final '/' may be missing);
std::string root_problem(std::string_view root);
// a default directory, under the directory screen's rules with `roots` (each ending in '/').
std::string default_dir_problem(std::string_view dir, std::span<const std::string> roots);
// a user default directory: absolute, judged as a default directory, or under $HOME/, judged beneath it
// by the same rules but for the roots.
std::string user_default_dir_problem(std::string_view dir, std::span<const std::string> roots);

}  // namespace builder
