// Bounding and resealing an image by walking it as the installer reads it.
#include "fuzz_image.h"

#include <algorithm>

#include "builder/inspect/payload_walk.h"
#include "payload/file_record.h"
#include "payload/header_block.h"
#include "support/payload_image.h"

namespace fuzz_support {
namespace {

using testing_support::get_u32;

// Whether the record at `at` (whole in the image) asks for more than FUZZ_MAX_ENTRY_SIZE bytes.
bool asks_too_much(const std::string& image, std::size_t at) {
    return get_u32(image, at + payload::RECORD_FILE_SIZE) > FUZZ_MAX_ENTRY_SIZE ||
           get_u32(image, at + payload::RECORD_STORED_SIZE) > FUZZ_MAX_ENTRY_SIZE;
}

// Makes the header's totals those of the records a walk reaches, so that the reading commands, which
// name a total the records pass before anything else, go on to the checks the installer makes.
void reseal_totals(std::string& image) {
    builder::installer_payload in;
    if (!builder::open_installer_image(image, in).empty()) return;
    std::uint64_t sums[3] = {};
    (void)builder::walk_payload(
        in,
        [&](builder::walked_entry& entry) {
            sums[0] += entry.record.file_size;
            sums[1] += entry.record.stored_size;
            sums[2] += entry.record.record_length;
        },
        {}, builder::walk_totals::unchecked);
    const std::size_t totals[] = {payload::HEADER_TOTAL_SIZE, payload::HEADER_TOTAL_STORED_SIZE,
                                  payload::HEADER_TOTAL_RECORD_SIZE};
    for (int k = 0; k < 3; ++k) {
        testing_support::put_u32(image, in.header_offset + totals[k],
                                 static_cast<std::uint32_t>(std::min<std::uint64_t>(sums[k], UINT32_MAX)));
    }
    testing_support::reseal_header(image, in.header_offset);
}

}  // namespace

bool within_limits(const std::string& image) {
    builder::installer_payload in;
    if (!builder::open_installer_image(image, in).empty()) return true;  // no record is read
    bool within = true;
    // As the installer reads, which takes the header's totals on trust.
    (void)builder::walk_payload(
        in,
        [&](builder::walked_entry& entry) { within = within && !asks_too_much(image, entry.record_offset); },
        {}, builder::walk_totals::unchecked);
    return within;
}

// The walk stops at a record that fails its CRC, before anyone can reseal it; so each such stop is
// resealed and the image walked again from the start. Every walk but the last gets at least one record
// further, and a walk skips the stored bytes, so for inputs of a few KiB this stays cheap; each record is
// resealed (and decoded) once.
void reseal(std::string& image) {
    builder::installer_payload in;
    if (!builder::open_installer_image(image, in).empty()) {
        // A header offset says the marker was found and its block fails its CRC (offset 0 is never one).
        if (in.header_offset == 0) return;
        testing_support::reseal_header(image, in.header_offset);
        if (!builder::open_installer_image(image, in).empty()) return;
    }
    std::uint64_t resealed = 0;  // the entries from the first whose CRCs are right
    bool too_much = false;
    const auto reseal_entry = [&](std::uint64_t index, std::size_t at) {
        if (too_much || index <= resealed) return;
        too_much = asks_too_much(image, at);
        if (too_much) return;
        testing_support::reseal_record(image, at, testing_support::record_crcs::every_one);
        resealed = index;
    };
    for (;;) {
        // The visitor changes only the CRCs of a record the walk has read already.
        const auto stop = builder::walk_payload(
            in, [&](builder::walked_entry& entry) { reseal_entry(entry.index, entry.record_offset); }, {},
            builder::walk_totals::unchecked);
        if (!stop || stop->problem.corrupt != payload::corruption::record || stop->index <= resealed) break;
        reseal_entry(stop->index, stop->record_offset);
        if (too_much) return;
        (void)builder::open_installer_image(image, in);  // the header as found before
    }
    reseal_totals(image);
}

}  // namespace fuzz_support
