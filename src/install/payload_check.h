// The vendor's choice to check the whole payload before the installation writes anything
// (payload::check_first): a damaged installer then stops with the message the extraction would have
// stopped with, but leaves the target as it was instead of holding the entries before the damage.
#pragma once

namespace install {

// With the choice on: reads every record and every entry's stored bytes in stream order, with the
// extraction's checks and messages but without decoding, then puts the stream back at the first record.
// Does nothing with it off.
void check_payload_first();

}  // namespace install
