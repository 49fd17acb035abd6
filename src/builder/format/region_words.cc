// The words for a damaged stub region.
#include "builder/format/region_words.h"

#include "builder/util/display_text.h"

namespace builder {

std::string frame_damage_text(const region_kind& kind, payload::region_check frame, std::uint32_t declared) {
    const std::string noun = kind.noun;
    switch (frame) {
        case payload::region_check::bad_capacity:
            return "its " + noun + " area of " + std::to_string(declared) + " bytes exceeds the " +
                   std::to_string(kind.bounds.capacity) + " the installer stub reads";
        case payload::region_check::cut_short:
            return "it is cut short by the end of the program";
        case payload::region_check::bad_length:
            return "its " + noun + " length exceeds its " + noun + " area";
        case payload::region_check::bad_crc:
            return "its " + noun + " fails its CRC";
        default:
            return "it is cut short";
    }
}

std::string damaged_refusal(const region_kind& kind, const std::string& damage) {
    return "damaged (" + damage + "); the installer refuses to start with " + shown(kind.refusal);
}

}  // namespace builder
