// An installer file, each part read once.
#include "builder/inspect/installer_file.h"

#include <utility>

namespace builder {

installer_file::installer_file(installer_payload in, std::string context)
    : in_(std::move(in)), context_(std::move(context)) {}

const stub_regions& installer_file::regions() {
    if (!regions_) regions_ = find_stub_regions(program_bytes(in_, context_));
    return *regions_;
}

profile_values installer_file::settings() {
    return effective_values(regions().profile.settings);
}

const payload_records& installer_file::records() {
    // The stream stands at the first record until the records are read: nothing else reads the payload.
    if (!records_) records_ = read_payload_records(in_, true, settings().methods);
    return *records_;
}

std::optional<walk_stop> installer_file::walk(const entry_visitor& visit, walk_layout layout) {
    return walk_records(in_, records(), visit, layout);
}

}  // namespace builder
