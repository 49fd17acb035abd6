// mkinstaller's entry point: runs the command the command line names and turns failures into messages and
// exit statuses (0 success, 1 error, 2 usage error; each command's own in the command table).
#include <iostream>
#include <new>
#include <string_view>
#include <vector>

#include "builder/cli/cli_options.h"
#include "builder/cli/command_table.h"
#include "builder/cli/usage.h"
#include "builder/cli/usage_error.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"

int main(int argc, char** argv) {
    using namespace builder;
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    command_line line;
    try {
        line = parse_command_line(args);
    } catch (const usage_error& e) {
        std::cerr << "mkinstaller: " << terminal_text(e.what()) << "\n\n" << usage_text(e.command());
        return STATUS_USAGE;
    }
    if (line.version) {
        std::cout << version_text();
        return std::cout.flush() ? STATUS_SUCCESS : STATUS_ERROR;
    }
    if (line.help) {
        std::cout << usage_text(line.command);
        return STATUS_SUCCESS;
    }
    const int failed = line.command->failure_status;
    int status = STATUS_SUCCESS;
    try {
        status = line.command->run(line, std::cout, std::cerr);
    } catch (const error& e) {
        std::cout.flush();
        // Every message may quote a path, an argument or a text from outside: none reaches the terminal raw.
        std::cerr << "mkinstaller: " << terminal_text(e.what()) << '\n';
        return failed;
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        std::cerr << "mkinstaller: out of memory\n";
        return failed;
    }
    std::cout.flush();
    return std::cout ? status : failed;
}
