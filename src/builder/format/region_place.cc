// Finding a stub region in a stub's bytes and checking its frame; writing its content.
#include "builder/format/region_place.h"

#include <cstring>

#include "builder/util/error.h"
#include "payload/crc16.h"
#include "payload/le_bytes.h"

namespace builder {

region_place find_region(std::string_view bytes, const region_kind& kind) {
    const payload::region_marker marker = payload::make_region_marker(kind.bounds.kept);
    const std::string_view marker_text(reinterpret_cast<const char*>(marker.data()), marker.size());
    const std::size_t at = bytes.find(marker_text);
    if (at == std::string_view::npos) return {};
    // The region's own content may hold its marker (a licence text can say anything): only a marker
    // behind the region makes two.
    if (bytes.find(marker_text, at + kind.bounds.size()) != std::string_view::npos)
        return {.found = region_place::state::several};
    return place_region_at(bytes, kind, at);
}

region_place place_region_at(std::string_view bytes, const region_kind& kind, std::uint64_t at) {
    region_place place;
    if (at >= bytes.size()) return place;
    place.found = region_place::state::one;
    place.offset = at;
    place.available = bytes.size() - at;
    if (place.available >= payload::REGION_HEADER_SIZE)
        place.declared = payload::region_capacity(place.region(bytes));
    place.frame = payload::check_region_frame(kind.bounds, place.region(bytes), place.available);
    return place;
}

bool lies_whole(payload::region_check frame) {
    return frame != payload::region_check::cut_short && frame != payload::region_check::bad_marker;
}

std::string declared_capacity_problem(std::uint32_t declared, const region_kind& kind) {
    if (declared == kind.bounds.capacity) return "";
    return "its " + std::string(kind.name) + " region declares a content area of " +
           std::to_string(declared) + " bytes, but the installer stub reads " +
           std::to_string(kind.bounds.capacity);
}

void require_region_as_read(const region_kind& kind, payload::region_check frame, std::uint64_t offset,
                            std::uint32_t declared, const std::string& what) {
    if (!lies_whole(frame)) {
        throw error(what + " is not a whole installer stub: the " + std::string(kind.name) +
                    " region at offset " + std::to_string(offset) + " is cut short");
    }
    if (const std::string problem = declared_capacity_problem(declared, kind); !problem.empty())
        throw error(what + ": " + problem + "; it is not a stub this mkinstaller can write to");
}

void write_region_content(std::string& stub, std::uint64_t offset, const payload::region_bounds& bounds,
                          std::string_view content) {
    auto* region = reinterpret_cast<unsigned char*>(stub.data() + offset);
    const auto length = static_cast<std::uint32_t>(content.size());
    payload::store_u32(region + payload::REGION_LENGTH_FIELD, length);
    payload::store_u16(region + payload::REGION_CRC_FIELD, payload::crc16_update(0, content.data(), length));
    unsigned char* area = region + payload::REGION_HEADER_SIZE;
    std::memcpy(area, content.data(), content.size());
    std::memset(area + content.size(), 0, bounds.capacity - content.size());
}

}  // namespace builder
