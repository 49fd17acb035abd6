// Header block search and CRC check, without messages: the installer and mkinstaller share it.
#include "payload/header_block.h"

#include <sys/types.h>

#include <cstring>

#include "payload/crc16.h"

namespace payload {

const char HEADER_MARKER_KEPT[HEADER_MARKER_SIZE + 1] =
    "KAVO(R)....SOFTWARE....."
    "DISTRIBUTION1859474832829347293857929381023823581045030285824585930284802740582385"
    "83083967392048592375930573920547769332251686535875121018012084105105684165201230235254340643554230423544"
    "23"
    "4212869320204830584579332059862389425312";

distribution_marker make_distribution_marker() {
    distribution_marker marker{};
    std::memcpy(marker.data(), HEADER_MARKER_KEPT, HEADER_MARKER_SIZE);
    marker[40] += 1;
    return marker;
}

std::string_view header_text(const header_block& h, std::size_t offset) {
    const char* text = reinterpret_cast<const char*>(&h[offset]);
    return {text, strnlen(text, HEADER_TEXT_SIZE)};
}

std::uint16_t compute_header_crc(const header_block& h) {
    std::uint16_t crc = crc16_update(0, h.data(), HEADER_CRC);
    const unsigned char zero_field[2] = {0, 0};
    crc = crc16_update(crc, zero_field, 2);
    return crc16_update(crc, &h[HEADER_CRC + 2], HEADER_SIZE - HEADER_CRC - 2);
}

static_assert(HEADER_MARKER_SIZE <= HEADER_ALIGNMENT,
              "the marker lies within a candidate's first 1024 bytes");

header_search try_find_header_block(std::FILE* file, header_block& header, std::uint64_t* offset) {
    const distribution_marker marker = make_distribution_marker();
    // While the stream stands at the candidate, only its first 1024 bytes are read: after a mismatch it
    // then stands at the next one, and the search runs as one sequential read with no seek per
    // candidate. The last 4 bytes of the block are read only behind a marker. A failed seek is not an
    // error: the block's full 1028 bytes are read where the stream stands, and the comparison fails.
    bool at_candidate = false;
    // Offset 0 is never a candidate: the executable proper comes first.
    for (off_t candidate = HEADER_ALIGNMENT;; candidate += HEADER_ALIGNMENT) {
        if (!at_candidate) at_candidate = fseeko(file, candidate, SEEK_SET) == 0;
        const std::size_t first = at_candidate ? HEADER_ALIGNMENT : HEADER_SIZE;
        if (std::fread(header.data(), 1, first, file) < first) return header_search::not_found;
        if (std::memcmp(header.data(), marker.data(), HEADER_MARKER_SIZE) != 0) continue;
        const std::size_t rest = HEADER_SIZE - first;
        if (std::fread(header.data() + first, 1, rest, file) < rest) return header_search::not_found;

        if (offset != nullptr) *offset = static_cast<std::uint64_t>(candidate);
        const heap_bytes reservation = reserve_crc16_memory();  // crc16.h says why
        if (!reservation) return header_search::no_memory;
        if (compute_header_crc(header) != load_u16(&header[HEADER_CRC])) {
            return header_search::corrupted;
        }
        return header_search::found;
    }
}

}  // namespace payload
