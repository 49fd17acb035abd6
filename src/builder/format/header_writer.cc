// Header block serialisation. Fields this program has no use for stay 0.
#include "builder/format/header_writer.h"

#include <cstring>

#include "builder/util/display_text.h"
#include "builder/util/error.h"
#include "payload/le_bytes.h"

namespace builder {
namespace {

void put_text(payload::header_block& h, std::size_t offset, std::string_view text) {
    // The field needs room for the text's NUL.
    if (text.size() >= payload::HEADER_TEXT_SIZE)
        throw error("header text too long: " + shown(std::string(text)));
    if (!text.empty()) std::memcpy(&h[offset], text.data(), text.size());
}

}  // namespace

payload::header_block make_header_block(const header_fields& f) {
    payload::header_block h{};
    const payload::distribution_marker marker = payload::make_distribution_marker();
    std::memcpy(h.data(), marker.data(), marker.size());
    using payload::store_u32;
    store_u32(&h[payload::HEADER_FILE_COUNT], f.file_count);
    store_u32(&h[payload::HEADER_TOTAL_SIZE], f.total_size);
    store_u32(&h[payload::HEADER_TOTAL_STORED_SIZE], f.total_stored_size);
    store_u32(&h[payload::HEADER_TOTAL_RECORD_SIZE], f.total_record_size);
    store_u32(&h[payload::HEADER_ALL_ONES], 0xFFFFFFFF);
    store_u32(&h[payload::HEADER_VOLUME], payload::HEADER_VOLUME_WHOLE);
    store_u32(&h[payload::HEADER_FILE_COUNT_COPY], f.file_count);
    store_u32(&h[payload::HEADER_REQUIRED_SPACE], f.total_size);
    put_text(h, payload::HEADER_PRODUCT_NAME, f.product);
    put_text(h, payload::HEADER_VERSION, f.version);
    put_text(h, payload::HEADER_PLATFORM, f.platform);
    store_u32(&h[payload::HEADER_BUILD_TIME], static_cast<std::uint32_t>(f.build_time));
    payload::store_u16(&h[payload::HEADER_CRC], payload::compute_header_crc(h));
    return h;
}

}  // namespace builder
