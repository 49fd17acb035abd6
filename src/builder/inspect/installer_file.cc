// An installer file, each part read once.
#include "builder/inspect/installer_file.h"

#include <utility>

namespace builder {

installer_file::installer_file(installer_payload in, std::string context, std::vector<std::string> shipped)
    : in_(std::move(in)), context_(std::move(context)), shipped_(std::move(shipped)) {}

const stub_identity& installer_file::identity() {
    if (!identity_) identity_ = identify_stub(program_bytes(in_, context_), shipped_);
    return *identity_;
}

const stub_regions& installer_file::regions() {
    if (regions_) return *regions_;
    const std::string_view program = program_bytes(in_, context_);
    if (!shipped_.empty() && identity().shipped) {
        regions_ = stub_regions{find_stub_profile(program, identity().profile_offset),
                                find_stub_license(program, identity().license_offset)};
    } else {
        regions_ = find_stub_regions(program);
    }
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
