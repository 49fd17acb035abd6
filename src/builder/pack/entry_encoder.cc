// Choice of method per entry: compressed unless the stream would not be smaller than the file (or --store
// says otherwise), since the installer reads either form for any file.
#include "builder/pack/entry_encoder.h"

#include "encoder/encoder.h"
#include "payload/file_record.h"

namespace builder {

encoded_entry encode_entry(std::span<const unsigned char> file_bytes, const encode_options& options) {
    encoded_entry entry;
    entry.method = payload::METHOD_STORED;
    entry.stored = file_bytes;
    // An empty file stays stored: there is nothing to gain and the decoder is never asked for 0 bytes.
    if (options.force_store || file_bytes.empty()) return entry;
    entry.owned = encoder::compress(file_bytes, options.level);
    if (entry.owned.size() >= file_bytes.size()) {
        entry.owned.clear();
        return entry;
    }
    entry.method = payload::METHOD_COMPRESSED;
    entry.stored = entry.owned;
    return entry;
}

}  // namespace builder
