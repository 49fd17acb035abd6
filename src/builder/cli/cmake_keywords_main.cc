// mkinstaller_cmake_keywords FILE: writes the keywords of the CMake function mkinstaller_add_installer
// that stand for a build option, from the option table, as a CMake fragment that the installed package's
// mkinstallerFunctions.cmake reads. A build tool: not installed.
#include <algorithm>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "builder/cli/option_table.h"
#include "payload/vendor_settings_table.h"

namespace {

using namespace builder;

// How mkinstallerFunctions.cmake takes a keyword's value, in the order it passes the kinds.
constexpr std::string_view KEYWORD_KINDS[] = {"VALUE", "PATH", "LIST", "SWITCH"};

std::string_view keyword_kind(const option_spec& option) {
    if (option.cmake.path) return "PATH";
    if (!takes_value(option.target)) return "SWITCH";
    if (std::holds_alternative<std::vector<std::string> build_arguments::*>(option.target)) return "LIST";
    if (const auto* setting = std::get_if<setting_target>(&option.target);
        setting != nullptr &&
        payload::vendor_setting_numbered(setting->number)->kind == payload::setting_kind::list)
        return "LIST";
    return "VALUE";
}

constexpr std::string_view KEYWORDS_HEAD =
    "# The keywords of mkinstaller_add_installer that stand for a build option, written by\n"
    "# mkinstaller_cmake_keywords from mkinstaller's option table: for each kind, the keywords and their\n"
    "# options, in the order the function passes them. VALUE: passed as given; PATH: a file, taken from\n"
    "# the current source directory and made a dependency; LIST: repeatable, the option once for each\n"
    "# value; SWITCH: no value.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: mkinstaller_cmake_keywords FILE\n";
        return 2;
    }
    std::vector<const option_spec*> keyworded;
    for (const option_spec& option : option_table()) {
        if (!option.cmake.name.empty()) keyworded.push_back(&option);
    }
    std::ranges::sort(keyworded, {}, [](const option_spec* option) { return option->cmake.place; });
    std::ofstream out(argv[1]);
    out << KEYWORDS_HEAD;
    for (const std::string_view kind : KEYWORD_KINDS) {
        std::string keywords;
        std::string options;
        for (const option_spec* option : keyworded) {
            if (keyword_kind(*option) != kind) continue;
            keywords.append(" ").append(option->cmake.name);
            options.append(" ").append(option->name);
        }
        out << "set(MKINSTALLER_" << kind << "_KEYWORDS" << keywords << ")\n";
        out << "set(MKINSTALLER_" << kind << "_OPTIONS" << options << ")\n";
    }
    out.close();
    if (!out) {
        std::cerr << "mkinstaller_cmake_keywords: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
