// Times as list shows them: UTC calendar date and time.
#pragma once

#include <cstdint>
#include <string>

namespace builder {

// "YYYY-MM-DD HH:MM:SS" in UTC.
std::string utc_text(std::int64_t seconds);

}  // namespace builder
