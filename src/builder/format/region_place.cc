#include "builder/format/region_place.h"

#include <cstring>

#include "builder/util/error.h"
#include "payload/crc16.h"
#include "payload/le_bytes.h"

namespace builder {

region_place find_region(std::string_view bytes, const payload::region_bounds& bounds) {
    const payload::region_marker marker = payload::make_region_marker(bounds.kept);
    const std::string_view marker_text(reinterpret_cast<const char*>(marker.data()), marker.size());
    region_place place;
    const std::size_t at = bytes.find(marker_text);
    if (at == std::string_view::npos) return place;
    if (bytes.find(marker_text, at + 1) != std::string_view::npos) {
        place.found = region_place::state::several;
        return place;
    }
    place.found = region_place::state::one;
    place.offset = at;
    place.available = bytes.size() - at;
    if (place.available >= payload::REGION_HEADER_SIZE)
        place.declared = payload::region_capacity(reinterpret_cast<const unsigned char*>(bytes.data() + at));
    return place;
}

std::string declared_capacity_problem(std::uint32_t declared, const payload::region_bounds& bounds,
                                      std::string_view name) {
    if (declared == bounds.capacity) return "";
    return "its " + std::string(name) + " region declares a content area of " + std::to_string(declared) +
           " bytes, but the installer stub reads " + std::to_string(bounds.capacity);
}

void require_region_as_read(bool whole, std::uint64_t offset, std::uint32_t declared,
                            const payload::region_bounds& bounds, std::string_view name,
                            const std::string& what) {
    if (!whole) {
        throw error(what + " is not a whole installer stub: the " + std::string(name) + " region at offset " +
                    std::to_string(offset) + " is cut short");
    }
    if (const std::string problem = declared_capacity_problem(declared, bounds, name); !problem.empty())
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
