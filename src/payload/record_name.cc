// The name rules shared by the installer and mkinstaller.
#include "payload/record_name.h"

namespace payload {

std::string_view last_name_component(std::string_view name) {
    if (name.size() < 2) return name;
    for (std::size_t k = name.size() - 1; k-- > 0;) {
        if (name[k] == '/' || name[k] == '\\') return name.substr(k + 1);
    }
    return name;
}

}  // namespace payload
