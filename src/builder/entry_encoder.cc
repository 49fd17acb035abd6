// Choice of method per entry. There is no compressor yet, so every entry is stored whatever the options
// say. When one exists it is tried here unless force_store is set, and its output is kept in `owned` only
// when it is smaller than the file.
#include "builder/entry_encoder.h"

#include "payload/file_record.h"

namespace builder {

encoded_entry encode_entry(std::span<const unsigned char> file_bytes, const encode_options& options) {
    (void)options;
    encoded_entry entry;
    entry.method = payload::METHOD_STORED;
    entry.stored = file_bytes;
    return entry;
}

}  // namespace builder
