// Reading card records back: the card info text that GetCardInfo hands its
// callers, and the unpacking of every kind's fields for tools that show a
// card to a person. Pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "CardRecord.h"

namespace en24 {

// Positions in a read text (the hex text of a read reply, sync byte first).
inline constexpr size_t kReadStatusPos = 4;  // "01" when the card's data was read
inline constexpr size_t kReadRecordPos = 6;  // 24 characters of the card record
// Where GetCardInfo places the read text inside the card info text.
inline constexpr size_t kInfoReadTextPos = 22;

// True when characters 4 and 5 of the read text are "01".
bool ReadTextHasCard(const char *readText);

// Fills positions 0 to 21 of cardInfo from the record in readText and returns
// the card number (0 to 16777215); returns 0 and writes nothing when the reply
// status is not "01". Every kind is decoded with the guest card's positions:
// kind's first hex digit, hotel id (flags dropped, 5 digits), building, floor
// (2), room (3), year, month, day, hour, minute (2 each).
int32_t DecodeCardInfo(const char *readText, char *cardInfo);

// ---- Whole records, by kind --------------------------------------------------

enum class CardKind {
    Erased,    // twelve bytes 0xFF
    System,
    Seal,
    Record,
    RoomSet,
    TimeSet,
    Limit,
    GroupSet,
    Guest,
    CheckOut,
    Group,
    Emergency,
    Master,
    Floor,
    Building,
    Unknown,   // a card kind byte no builder writes
};

CardKind KindOf(const CardRecord &record);
// "guest card", "seal card", ..., "erased card", "unknown card kind".
const char *KindName(CardKind kind);

int32_t CardNumberOf(const CardRecord &record);
// Bytes 4 and 5 without the two kind flags.
int32_t HotelIdOf(const CardRecord &record);
// Bits 7 and 6 of byte 4.
uint8_t KindFlagsOf(const CardRecord &record);
// The flags a builder puts on this kind (0x80 emergency, 0x40 building, else 0).
uint8_t ExpectedKindFlags(CardKind kind);

LockNumber UnpackLockNumber(uint8_t byte6, uint8_t byte7);
// From three bytes (record bytes 9 to 11).
PackedTimeFields UnpackTime(const uint8_t *bytes);
// From four bytes (record bytes 8 to 11); minutes come back in tens (0, 10, .. 50).
PeriodFields UnpackPeriod(const uint8_t *bytes);

// 24 hex characters (either case) into a record; null for anything else.
std::optional<CardRecord> ParseRecordText(std::string_view text);

} // namespace en24
