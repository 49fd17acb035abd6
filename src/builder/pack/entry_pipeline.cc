// Reading and encoding an entry, and the pool that does it ahead of the writer.
#include "builder/pack/entry_pipeline.h"

#include <algorithm>

#include "builder/format/field_limits.h"
#include "builder/pack/entry_encoder.h"
#include "builder/pack/parallel_encoder.h"
#include "builder/pack/source_file.h"
#include "payload/crc16.h"
#include "payload/file_record.h"

namespace builder {
namespace {

prepared_entry prepare_file_entry(int root_fd, const planned_entry& entry, const encode_options& options,
                                  bool strict) {
    prepared_entry prepared;
    file_bytes read = read_source_file(root_fd, entry, strict, prepared.warnings);
    const std::span<const unsigned char> file_bytes(read.bytes.get(), read.size);
    encoded_entry encoded = encode_entry(file_bytes, options);
    prepared.method = encoded.method;
    prepared.file_size = read.size;
    prepared.data_crc = payload::crc16_update(0, file_bytes.data(), read.size);
    prepared.stored_crc = payload::crc16_update(
        0, encoded.stored.data(), narrow_payload_field(encoded.stored.size(), "stored bytes of one file"));
    // Only one of the two forms is kept until the entry is written: entries wait their turn in memory.
    if (encoded.stored.data() == file_bytes.data()) {
        prepared.file = std::move(read.bytes);
        prepared.stored = file_bytes;
    } else {
        prepared.compressed = std::move(encoded.owned);
        prepared.stored = prepared.compressed;
    }
    return prepared;
}

// A link entry stores its text as it is, never compressed: the stub reads it without a decoder.
prepared_entry prepare_link_entry(const std::string& text) {
    prepared_entry prepared;
    prepared.compressed.assign(text.begin(), text.end());
    prepared.stored = prepared.compressed;
    prepared.method = payload::METHOD_LINK;
    prepared.file_size = static_cast<std::uint32_t>(text.size());
    prepared.data_crc = payload::crc16_update(0, prepared.compressed.data(), prepared.file_size);
    prepared.stored_crc = prepared.data_crc;
    return prepared;
}

}  // namespace

void prepare_entries(const build_settings& settings, const payload_plan& plan, int root_fd,
                     const std::function<void(std::size_t, prepared_entry&)>& take) {
    const encode_options options{.force_store = settings.store, .level = settings.level};
    std::vector<prepared_entry> ready(parallel_encoder::window_for(settings.jobs));
    std::uint64_t largest = 0;
    for (const planned_entry& entry : plan.entries) largest = std::max<std::uint64_t>(largest, entry.size);
    parallel_encoder pool(
        plan.entries.size(), settings.jobs,
        [&](std::size_t index) {
            const planned_entry& entry = plan.entries[index];
            if (entry.link_target) {
                ready[index % ready.size()] = prepare_link_entry(*entry.link_target);
            } else if (!entry.is_delete && !entry.is_touch) {
                ready[index % ready.size()] = prepare_file_entry(root_fd, entry, options, settings.strict);
            }
        },
        [&](std::size_t index) { return std::uint64_t{plan.entries[index].size}; },
        settings.jobs * largest + PIPELINE_AHEAD_SLACK);
    for (std::size_t index = 0; index < plan.entries.size(); ++index) {
        pool.wait_for(index);
        prepared_entry& prepared = ready[index % ready.size()];
        take(index, prepared);
        prepared = prepared_entry{};  // its memory is free for the entries that follow
    }
}

}  // namespace builder
