// The build command: settings, scan, plan, write; the progress bar and summary when standard error is a
// terminal.
#include <unistd.h>

#include <chrono>
#include <memory>

#include "builder/build_settings.h"
#include "builder/commands.h"
#include "builder/installer_writer.h"
#include "builder/payload_plan.h"
#include "builder/progress_bar.h"
#include "builder/source_tree.h"

namespace builder {

void run_build(const build_arguments& args, std::ostream& out, std::ostream& warnings) {
    const auto started = std::chrono::steady_clock::now();
    const build_settings settings = resolve_build_settings(args, current_build_environment());
    const source_tree tree = scan_source_tree(settings.source_dir, scan_options{settings.excludes});
    const payload_plan plan = plan_payload(settings, tree);
    for (const auto& warning : tree.warnings) warnings << "mkinstaller: warning: " << warning << '\n';
    for (const auto& warning : plan.warnings) warnings << "mkinstaller: warning: " << warning << '\n';
    warnings.flush();

    std::unique_ptr<progress_bar> bar;
    if (!settings.quiet && isatty(STDERR_FILENO) == 1) {
        bar = std::make_unique<progress_bar>(stderr, static_cast<std::uint32_t>(plan.entries.size()),
                                             plan.total_size);
    }
    build_summary summary;
    try {
        summary = write_installer(settings, plan, bar.get());
    } catch (...) {
        if (bar) bar->erase();
        throw;
    }
    if (bar) {
        bar->erase();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        std::fprintf(stderr, "%s\n", summary_text(summary, took.count()).c_str());
    }
    if (!settings.quiet) {
        out << "wrote " << settings.output << ": " << summary.file_count << " entries, " << summary.total_size
            << " bytes (" << summary.total_stored_size << " stored), payload at offset "
            << summary.header_offset << '\n';
    }
}

}  // namespace builder
