// Checks of the payload apart from an installation: the vendor's choice to check the whole payload before
// the installation writes anything (payload::check_first), and the installer's own --list and --check.
// A damaged installer stops with the message the extraction would have stopped with.
#pragma once

#include "payload/file_record.h"

namespace install {

// With the choice on: reads every record and every entry's stored bytes in stream order, with the
// extraction's checks and messages but without decoding, then puts the stream back at the first record.
// Does nothing with it off. A damaged payload then leaves the target as it was instead of holding the
// entries before the damage.
void check_payload_first();

// The next record into `record` and, but for a delete entry, its stored bytes read through one fixed
// chunk and dropped, with the extraction's checks; returns the first failure instead of ending.
payload::corruption check_next_entry(payload::record_buffer& record_bytes, payload::file_record& record);

// Every entry from the stream's position on, as the installation reads it: each entry's stored bytes and
// its file bytes (copied or decoded) in memory, their CRCs checked, then freed; nothing is written. A
// failure ends the installer with the installation's message.
void check_every_entry();

}  // namespace install
