// Reading ahead's tuning and its count for tests, apart from the loop's interface: tests set them to take
// the paths a usual installation rarely takes, and compare with reading in turn. The installer itself
// keeps the defaults and never reads the count.
#pragma once

#include <cstddef>
#include <cstdint>

namespace install {

// The worker checks the file bytes' CRC itself when it has taken up more than this many entries that the
// loop has not released; otherwise the loop checks them.
extern std::uint32_t read_ahead_check_lead;
// Whether the extraction loop reads ahead at all; tests turn it off to compare with reading in turn.
extern bool read_ahead_enabled;
// The stored and file bytes the worker may hold before the loop has written them. An entry needing more
// than this is prepared only when the worker holds nothing else.
extern std::size_t read_ahead_budget;
// The most the worker ever holds: an entry needing more is handed over. Unlimited in use; tests lower it
// to take the hand-over path.
extern std::size_t read_ahead_memory_limit;

// How many records the worker has read in this installation (that it did read ahead).
std::uint32_t records_read_ahead();

}  // namespace install
