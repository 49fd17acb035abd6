// mkinstaller's entry point: dispatches the command and turns failures into messages and exit codes
// (0 success, 1 error, 2 usage error; diff, as diff(1) does: 0 equal, 1 different, 2 trouble).
#include <iostream>
#include <new>
#include <string_view>
#include <vector>

#include "builder/cli/cli_options.h"
#include "builder/cli/usage.h"
#include "builder/cli/usage_error.h"
#include "builder/commands/commands.h"
#include "builder/util/error.h"

int main(int argc, char** argv) {
    using namespace builder;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    command_line line;
    try {
        line = parse_command_line(args);
    } catch (const usage_error& e) {
        std::cerr << "mkinstaller: " << e.what() << "\n\n" << usage_text(e.command());
        return 2;
    }
    if (line.version) {
        std::cout << version_text();
        return std::cout.flush() ? 0 : 1;
    }
    if (line.help) {
        std::cout << usage_text(line.command);
        return 0;
    }
    const int failed = line.command == command_kind::diff ? 2 : 1;
    int status = 0;
    try {
        switch (line.command) {
            case command_kind::diff:
                status = run_diff(line.installer, line.new_installer, line.json, std::cout) ? 1 : 0;
                break;
            case command_kind::build:
                run_build(line.build, std::cout, std::cerr);
                break;
            case command_kind::list:
                run_list(line.installer, line.json, std::cout, std::cerr);
                break;
            case command_kind::verify:
                run_verify(line.installer, std::cout, std::cerr);
                break;
            case command_kind::extract:
                run_extract(line.installer, line.extract_dir, line.force, line.keep_setid, std::cout);
                break;
            case command_kind::info:
                run_info(line.installer, std::cout);
                break;
            case command_kind::license:
                run_license(line.installer, std::cout);
                break;
            case command_kind::none:
                break;
        }
    } catch (const error& e) {
        std::cout.flush();
        std::cerr << "mkinstaller: " << e.what() << '\n';
        return failed;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << "mkinstaller: out of memory\n";
        return failed;
    }
    std::cout.flush();
    return std::cout ? status : failed;
}
