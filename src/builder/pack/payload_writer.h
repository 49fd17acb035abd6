// The payload behind the stub: zero padding to the next multiple of 1024, the header block, then for every
// entry its record followed by its stored bytes (none for a delete entry). The header block comes first
// but its totals are known only once every entry is written, so a zero block holds its place until the end.
#pragma once

#include <cstdint>

#include "builder/format/header_writer.h"
#include "builder/format/record_writer.h"
#include "builder/pack/build_settings.h"
#include "builder/pack/entry_pipeline.h"
#include "builder/pack/payload_plan.h"
#include "builder/util/output_file.h"

namespace builder {

// The running header totals; the payload counts each in 32 bits (narrow_payload_field).
struct payload_totals {
    std::uint64_t file_size = 0;
    std::uint64_t stored_size = 0;
    std::uint64_t record_size = 0;
};

class payload_writer {
  public:
    // Starts the payload where `out` stands, behind a stub of `stub_size` bytes: pads, and holds the
    // header block's place.
    payload_writer(output_file& out, std::uint64_t stub_size);

    void write_file(const planned_entry& entry, const prepared_entry& prepared);
    void write_delete(const planned_entry& entry);
    void write_touch(const planned_entry& entry);

    // Writes the header block in its place, with the totals of the `entry_count` entries written, and
    // returns its fields. Throws error when a total does not fit its field.
    header_fields finish(const build_settings& settings, std::size_t entry_count);

    std::uint64_t header_offset() const { return header_offset_; }
    const payload_totals& totals() const { return totals_; }

  private:
    void write_record(const record_fields& fields);

    output_file& out_;
    std::uint64_t header_offset_ = 0;
    payload_totals totals_;
};

}  // namespace builder
