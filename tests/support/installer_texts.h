// What the installer writes, written out independently of its sources, for byte-for-byte comparison.
#pragma once

#include <string>

namespace testing_support::texts {

inline const std::string TERMINATED = "\n\nInstallation terminated.\n";
inline const std::string COMPLETE = "\n\nInstallation complete.\n\n";
inline const std::string NEXT_CANCEL = "\n[Next? Cancel?]: ";
inline const std::string BACK_NEXT_CANCEL = "\n[Back? Next? Cancel?]: ";
inline const std::string LICENSE_QUESTION =
    "\nHave you read, and do you accept, the terms of this Software License Agreement?\n";
inline const std::string LICENSE_PROMPT = "\n[Display? Slowdisplay? Accept? Print? Cancel?]: ";
inline const std::string ENTER_DIRECTORY = "\n\nEnter directory >";
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

}  // namespace testing_support::texts
