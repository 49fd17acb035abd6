// What the installer writes, written out independently of its sources, for byte-for-byte comparison.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace testing_support::texts {

inline const std::string TERMINATED = "\n\nInstallation terminated.\n";
inline const std::string COMPLETE = "\n\nInstallation complete.\n\n";
inline const std::string NEXT_CANCEL = "\n[Next? Cancel?]: ";
inline const std::string BACK_NEXT_CANCEL = "\n[Back? Next? Cancel?]: ";
inline const std::string LICENSE_QUESTION =
    "\nHave you read, and do you accept, the terms of this Software License Agreement?\n";
inline const std::string LICENSE_PROMPT = "\n[Display? Slowdisplay? Accept? Print? Cancel?]: ";
inline const std::string LICENSE_TITLE = "KAVO(R) Software Installation";
inline constexpr std::size_t LICENSE_LINES = 114;  // our own agreement; a vendor's may differ
inline constexpr std::size_t LICENSE_WIDTH = 74;

// The agreement as the screen shows it, from a list laid out like license_text (title, lines, null end):
// at once, each line ended by a line feed; slowly, each line ended by the user's Enter, which the
// terminal shows but the installer does not write; on the printer, CR LF endings and a form feed.
inline std::string license_display(const char* const* text) {
    std::string s = "\n\n";
    for (const char* const* line = text + 1; *line != nullptr; ++line) s += std::string(*line) + "\n";
    return s;
}
inline std::string license_slow_display(const char* const* text) {
    std::string s = "\n\n";
    for (const char* const* line = text + 1; *line != nullptr; ++line) s += *line;
    return s;
}
inline std::string license_printout(const char* const* text) {
    std::string s;
    for (const char* const* line = text + 1; *line != nullptr; ++line) s += std::string(*line) + "\r\n";
    return s + "\f";
}

// The directory screen.
inline const std::string DEFAULT_TARGET = "/usr/local/vorna";
inline const std::string USE_DEFAULT = "\nUse the default directory? [No? Yes? Cancel?]: ";
inline const std::string ENTER_DIRECTORY = "\n\nEnter directory >";
inline const std::string NO_DIRECTORY = "\n\nA directory must be selected.\n";
inline const std::string SELECT_A_DIRECTORY = "\nSelect a directory? [Ok? Cancel?]: ";
inline const std::string SELECT_DIFFERENT_OK = "\nSelect a different directory! [Ok? Cancel?]: ";
inline const std::string SELECT_DIFFERENT_ASK = "\nSelect a different directory? [No? Yes? Cancel?]: ";
inline const std::string BLANKS =
    "\n\nInstallation into a directory path containing spaces is not recommended.\n";
inline const std::string TOO_LONG = "\n\nDirectory path is too long.\n";
inline const std::string ROOT = "\n\nInstallation into the root directory is not recommended.\n";
inline const std::string EXISTS_AS_FILE = "\n\nThe directory already exists as a file.\n";
inline const std::string BIN = "\n\nInstalling into a 'bin' directory is not recommended.\n";
inline const std::string OUTSIDE =
    "\n\nInstalling anywhere other than under '/usr' or '/home' directories is not recommended.\n";

// The three header lines; `mib` is the figure as printed.
inline std::string directory_header(const std::string& product = "VORNA", const std::string& version = "1.0",
                                    const std::string& mib = "0.000") {
    return "\n\nPlease select a directory for installation of\n    " + product + "  " + version +
           "\nrequiring approximately " + mib + " MiByte of space.\n";
}
inline std::string default_directory(const std::string& path) {
    return "\n\nDefault directory: " + path + ".\n";
}

// The location warnings an absolute, blank-free path that is not the root and names no file draws, each
// with its question.
inline std::string location_warnings(const std::string& path) {
    std::string s;
    if (path.find("/bin/") != std::string::npos) s += BIN + SELECT_DIFFERENT_ASK;
    if (!path.starts_with("/usr/") && !path.starts_with("/home/")) s += OUTSIDE + SELECT_DIFFERENT_ASK;
    return s;
}

// A first visit of the directory screen that declines `offered` and types `path` (see location_warnings).
inline std::string directory_screen_to(const std::string& path, const std::string& offered = DEFAULT_TARGET) {
    return directory_header() + default_directory(offered) + USE_DEFAULT + ENTER_DIRECTORY +
           location_warnings(path);
}
inline const std::string INSTALLING = "\n\n.... Installing files ....\n\n";
inline const std::string FILES_INSTALLED =
    "\n\nFiles installed!\n"
    "See \"Library Installation\" in the VORNA 'C' Library Reference Manual\n"
    "for hardware and software configuration options.\n"
    "\n"
    "Also, see files:\n"
    "VORNADST.TXT Describes the various files installed.\n"
    "VORNARLS.TXT Up-to-the minute release notes.\n"
    "VORNA.HTM    The full VORNA Reference Manual.\n"
    "\n"
    "If the RUDEK C/C++ Library was also installed:\n"
    "RUDEKDST.TXT Describes the various files installed.\n"
    "RUDEKRLS.TXT Up-to-the minute release notes.\n";

// The welcome text up to its prompt; `stamp` is the twelve digits and dot inside "(build ...)".
inline std::string welcome(const std::string& product_line, const std::string& stamp) {
    return "\n\nKAVO(R) Software Installation\n\nThanks for purchasing KAVO(R) imaging products.\n\n"
           "Let's install  " +
           product_line + " software! (build " + stamp + ") !\n";
}

// The welcome text of the default test payload (VORNA 1.0 for Linux, built 2023-11-14 22:13:20 UTC).
inline const std::string WELCOME = welcome("VORNA 1.0 for Linux", "231114.221320");

inline std::string dir_exists(const std::string& path) {
    return "\n\nThe directory \n    " + path +
           "\nalready exists!\n\n"
           "Installing into a different directory is prudent -\n"
           "in the unlikely event of a media failure, the\n"
           "previous functioning version remains intact.\n"
           "After the new version has been installed\n"
           "into a different directory and sucessfully used,\n"
           "the old version's directory can be deleted with\n"
           "standard O.S. commands.\n"
           "\n"
           "Select 'Next' to proceed with the installation,\n"
           "or 'Back' to select a different directory.\n";
}

// The progress line: a drawing "%3d%% %3d%%  %s " (file percentage first) and its erasure, one
// "\b \b" per character drawn.
inline std::string progress_drawing(int file_percent, int byte_percent, const std::string& text) {
    char line[512];
    std::snprintf(line, sizeof line, "%3d%% %3d%%  %s ", file_percent, byte_percent, text.c_str());
    return line;
}

inline std::string progress_erasure(std::size_t shown_chars) {
    std::string text;
    for (std::size_t i = 0; i < shown_chars; ++i) text += "\b \b";
    return text;
}

}  // namespace testing_support::texts
