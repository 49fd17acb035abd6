// The build command: settings, scan, write.
#include "builder/build_settings.h"
#include "builder/commands.h"
#include "builder/installer_writer.h"
#include "builder/source_tree.h"

namespace builder {

void run_build(const build_arguments& args, std::ostream& out, std::ostream& warnings) {
    const build_settings settings = resolve_build_settings(args, current_build_environment());
    const source_tree tree = scan_source_tree(settings.source_dir);
    for (const auto& warning : tree.warnings) warnings << "mkinstaller: warning: " << warning << '\n';
    const build_summary summary = write_installer(settings, tree);
    out << "wrote " << settings.output << ": " << summary.file_count << " files, " << summary.total_size
        << " bytes (" << summary.total_stored_size << " stored), payload at offset " << summary.header_offset
        << '\n';
}

}  // namespace builder
