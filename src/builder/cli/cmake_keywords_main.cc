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

namespace {

using namespace builder;

// How mkinstallerFunctions.cmake takes the keyword's value.
std::string_view keyword_kind(const option_spec& option) {
    if (option.cmake.path) return "path";
    if (!takes_value(option.target)) return "switch";
    if (std::holds_alternative<std::vector<std::string> build_arguments::*>(option.target)) return "list";
    return "value";
}

constexpr std::size_t KEYWORDS_KIND_WIDTH = 7;  // "switch" and a blank

constexpr std::string_view KEYWORDS_HEAD =
    "# The keywords of mkinstaller_add_installer that stand for a build option, written by\n"
    "# mkinstaller_cmake_keywords from mkinstaller's option table. One row each, in the order the function\n"
    "# passes the options: the keyword, its kind and the option. value: passed as given; path: a file,\n"
    "# taken from the current source directory and made a dependency; list: repeatable, the option once\n"
    "# for each value; switch: no value.\n"
    "set(MKINSTALLER_OPTION_KEYWORDS\n";

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
    std::size_t width = 0;
    for (const option_spec* option : keyworded) width = std::max(width, option->cmake.name.size());
    std::ofstream out(argv[1]);
    out << KEYWORDS_HEAD;
    for (const option_spec* option : keyworded) {
        const std::string_view kind = keyword_kind(*option);
        out << "    " << option->cmake.name << std::string(width + 1 - option->cmake.name.size(), ' ') << kind
            << std::string(KEYWORDS_KIND_WIDTH - kind.size(), ' ') << option->name << '\n';
    }
    out << ")\n";
    out.close();
    if (!out) {
        std::cerr << "mkinstaller_cmake_keywords: cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
