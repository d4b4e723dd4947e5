// Card operations on an open encoder: write-and-verify, erasing, reading a
// card into the card info text, and the common ending of every card builder.
// They run on the link's exchanges, so the port and the clock are injected.
#pragma once

#include <cstdint>
#include <optional>

#include "CardRecord.h"
#include "Port.h"

namespace en24 {

// Read the card, refuse with -101 when no card lies on the encoder, write the
// record, read it back and compare the 24 record characters, beep. 1 when the
// card holds the record; 0 when the read-back differs in any byte, whatever its
// status byte; -101; or the first exchange code other than 1, unchanged.
int32_t WriteAndVerify(Port &port, Clock &clock, const uint8_t *record);

// Write-and-verify of the erase record (twelve bytes 0xFF).
int32_t EraseCardOn(Port &port, Clock &clock);

// Reads the card (read-card command) and decodes it into cardInfo (63 bytes):
// positions 0 to 21 the decoded fields, 22 to 61 the read text, 62 a zero
// byte. Returns the card number, 0 when the reply carries no card data
// (positions 0 to 21 untouched), or the read's negative code (cardInfo
// untouched).
int32_t GetCardInfoOn(Port &port, Clock &clock, char *cardInfo);
// As GetCardInfoOn with the read-card-with-serial command (cardInfo: 71 bytes).
int32_t GetCardInfoSNOn(Port &port, Clock &clock, char *cardInfo);

// The ending every builder shares: a refused record (or no record text buffer)
// gives 0 with nothing sent and the record text untouched; otherwise the
// record text is written first, then write-and-verify's result is returned.
int32_t WriteBuiltCard(Port &port, Clock &clock, const std::optional<CardRecord> &record,
                       char *recordText);

} // namespace en24
