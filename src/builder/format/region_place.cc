#include "builder/format/region_place.h"

namespace builder {

region_place find_region(std::string_view bytes, const payload::kept_marker& kept) {
    const payload::region_marker marker = payload::make_region_marker(kept);
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
    return place;
}

}  // namespace builder
