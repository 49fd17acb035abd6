// The build command: settings, scan, plan, the refusals, write; the progress bar and summary when
// standard error is a terminal.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "builder/commands/commands.h"
#include "builder/commands/settings_report.h"
#include "builder/inspect/installer_tree.h"
#include "builder/pack/build_settings.h"
#include "builder/pack/installer_writer.h"
#include "builder/pack/output_place.h"
#include "builder/pack/payload_plan.h"
#include "builder/pack/progress_bar.h"
#include "builder/pack/source_tree.h"
#include "builder/pack/update_plan.h"
#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/installer_report.h"

namespace builder {
namespace {

std::string count_of(std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Safe by default: an installer that deletes part of what it carries is not written unless asked for.
// --strict refuses everything else a build would otherwise only warn about.
void refuse_what_is_not_allowed(const build_settings& settings, const source_tree& tree,
                                const payload_plan& plan) {
    std::string refusal;
    if (!settings.allow_same_name && !plan.same_name.empty()) {
        refusal = count_of(plan.same_name.size(), "group", "groups") +
                  " of files share a last name component, and the installer keeps only one file of "
                  "each group:\n";
        for (const auto& group : plan.same_name) refusal += "  " + group + "\n";
        // The vendor's removal rule keeps every file and the customer's own: named first. Building anyway
        // ships an installer that deletes files, the customer's among them.
        refusal +=
            "keep every file with --same-name-removal path (the installer then removes only what stands at "
            "an entry's own path), or rename the files, leave all but one of each group out with --exclude, "
            "or build anyway with --allow-same-name";
    }
    if (settings.strict && !tree.warnings.empty()) {
        if (!refusal.empty()) refusal += "\nmkinstaller: ";
        refusal +=
            "--strict: " + count_of(tree.warnings.size(), "warning is an error", "warnings are errors") + ":";
        for (const auto& warning : tree.warnings) refusal += "\n  " + warning;
    }
    if (!refusal.empty()) throw error(refusal);
}

// What the update checks beneath its target before it writes anything.
std::string base_text(const update_plan& update, std::size_t candidates) {
    if (!update.base) return "; installs into any target";
    const update_base_settings& base = *update.base;
    const auto kept = static_cast<std::size_t>(std::ranges::count_if(base.files, &base_file_settings::kept));
    return "; checks for " + display_text(base.product) + " " + display_text(base.version) + " " +
           count_of(base.files.size(), "file", "files") + " by content, of " + std::to_string(candidates) +
           " both trees hold, as many as its profile region holds: " + std::to_string(kept) +
           " it leaves in place, then " + std::to_string(base.files.size() - kept) + " it rewrites";
}

// How much of the full installation the update carries, and its size against a full installer's.
std::string update_text(const update_plan& update, std::size_t candidates, const build_summary& summary) {
    const std::size_t files = update.plan.entries.size() - update.delete_count - update.touch_count;
    const std::uint64_t full = update.full_payload_without_update_files + summary.total_stored_size;
    char share[32];
    std::snprintf(share, sizeof share, "%.1f%%", full == 0 ? 0.0 : 100.0 * summary.payload_size / full);
    return "update: " + count_of(update.plan.entries.size(), "entry", "entries") + " (" +
           count_of(update.delete_count, "delete", "deletes") + ", " +
           (update.touch_count == 0 ? "" : count_of(update.touch_count, "touch", "touches") + ", ") +
           count_of(files, "file", "files") + ") for the " +
           count_of(update.new_file_count, "file", "files") + " a full installation leaves; payload " +
           std::to_string(summary.payload_size) + " bytes, " + share + " of a full installer's (about " +
           std::to_string(full) + ")" + base_text(update, candidates);
}

// An update that saves little is better built whole: it then installs into any target.
void warn_of_large_update(const build_settings& settings, const update_plan& update,
                          const build_summary& summary, std::ostream& warnings) {
    const std::uint64_t full = update.full_payload_without_update_files + summary.total_stored_size;
    if (settings.full || full == 0 || summary.payload_size * 10 <= full * 9) return;
    char share[32];
    std::snprintf(share, sizeof share, "%.1f%%", 100.0 * summary.payload_size / full);
    warn(warnings, std::string("the update's payload is ") + share +
                       " of a full installer's; --full builds one that also installs alone");
}

// A vendor who gives some settings of their own but leaves others ships the sample product's words
// (its title, its default directory, its licence) to every customer: worth saying, an error with
// --strict. A build without any setting is the stub as it comes, and says nothing.
void warn_of_sample_texts(const build_settings& settings, std::ostream& warnings) {
    const bool customised =
        !settings.license_text.empty() ||
        std::ranges::any_of(payload::VENDOR_SETTINGS, [&](const payload::vendor_setting& s) {
            return !settings.profile.values[s.number].empty();
        });
    if (!customised) return;
    const std::string labels =
        sample_texts(settings.product, effective_values(settings.profile), settings.license_text.empty());
    if (labels.empty()) return;
    const std::string text = "the installer of " + shown(settings.product) +
                             " shows texts written for the sample product " +
                             std::string(payload::SAMPLE_PRODUCT) + ": " + labels +
                             " (give its own with --title, --thanks, --closing-text, --existing-dir-text, "
                             "--default-dir, --license)";
    if (settings.strict) throw error("--strict: " + text);
    warn(warnings, text);
}

}  // namespace

void run_build(const build_arguments& args, std::ostream& out, std::ostream& warnings) {
    const auto started = std::chrono::steady_clock::now();
    build_settings settings = resolve_build_settings(args, current_build_environment());
    refuse_output_in_source(settings.source_dir, settings.output);
    const source_tree tree =
        scan_source_tree(settings.source_dir,
                         scan_options{settings.excludes, installer_links(settings) == payload::links::keep});
    const payload_plan full_plan = plan_payload(settings, tree);
    refuse_what_is_not_allowed(settings, tree, full_plan);
    // An update is proved against the full installation before a byte of it is written.
    std::optional<update_plan> update;
    std::size_t base_candidates = 0;
    if (!settings.update_from.empty()) {
        const installer_tree old = read_installer_tree(settings.update_from, "--update-from");
        const std::vector<file_state> states = source_states(settings, full_plan);
        try {
            update = plan_update(old, full_plan, states, settings.full);
        } catch (const error& e) {
            throw error("--update-from " + shown(settings.update_from) + ": " + e.what());
        }
        // The stub checks the release beneath its target before it writes anything.
        settings.profile.update_of = update->base;
        if (update->base) {
            base_candidates = update->base->files.size();
            fit_base_files(settings.profile);
            update->base = settings.profile.update_of;
        }
    }
    const payload_plan& plan = update ? update->plan : full_plan;
    warn_of_sample_texts(settings, warnings);
    for (const auto& warning : tree.warnings) warn(warnings, warning);
    for (const auto& warning : full_plan.same_name) warn(warnings, warning);
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
    if (bar) bar->erase();
    for (const auto& warning : summary.warnings) warn(warnings, warning);
    if (update) warn_of_large_update(settings, *update, summary, warnings);
    warnings.flush();
    if (bar) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        std::fprintf(stderr, "%s\n", summary_text(summary, took.count()).c_str());
    }
    if (!settings.quiet) {
        out << "wrote " << display_text(settings.output) << ": " << summary.file_count << " entries, "
            << summary.total_size << " bytes (" << summary.total_stored_size << " stored), payload at offset "
            << summary.header_offset << '\n';
        if (update) out << update_text(*update, base_candidates, summary) << '\n';
    }
}

}  // namespace builder
