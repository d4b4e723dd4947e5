// The 12-byte card record of every card kind the locks know, built from the
// builders' arguments. Everything here is pure apart from the filler
// generator, whose state belongs to the calling thread.
//
// Bytes 0 to 5 are shared by all kinds: card number (bytes 0 to 2, most
// significant first), card kind (byte 3), hotel id (bytes 4 and 5, with two
// kind flags in bits 7 and 6 of byte 4). Bytes 6 to 11 depend on the kind.
//
// Every builder checks its arguments in a fixed order and answers nullopt at
// the first one out of range; it draws filler bytes only once every argument
// passed, so a refused call leaves the thread's filler sequence untouched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace en24 {

using CardRecord = std::array<uint8_t, 12>;

// Ranges shared by all builders.
inline constexpr int32_t kMaxHotelId = 16382;        // 0x3FFF is the seal card's marker
inline constexpr int32_t kMinCardNo = 1;
inline constexpr int32_t kMaxCardNo = 16777214;      // 0xFFFFFF is what an erased card reads as

// Card kinds (record byte 3).
inline constexpr uint8_t kKindSystemOrSeal = 0x0F;
inline constexpr uint8_t kKindRecord = 0x10;
inline constexpr uint8_t kKindRoomSet = 0x20;
inline constexpr uint8_t kKindTimeSet = 0x30;
inline constexpr uint8_t kKindLimit = 0x40;
inline constexpr uint8_t kKindGroupSet = 0x50;       // plus the group set type 0, 4, 8 or 12
inline constexpr uint8_t kKindGuest = 0x60;
inline constexpr uint8_t kKindGuestLLock = 0x68;
inline constexpr uint8_t kKindCheckOut = 0x70;
inline constexpr uint8_t kKindGroup = 0x90;
inline constexpr uint8_t kKindEmergency = 0xA8;
inline constexpr uint8_t kKindMaster = 0xB8;
inline constexpr uint8_t kKindFloor = 0xC0;
inline constexpr uint8_t kKindBuilding = 0xD0;
inline constexpr uint8_t kKindErased = 0xFF;

// Kind flags above the hotel id in byte 4.
inline constexpr uint8_t kFlagEmergency = 0x80;
inline constexpr uint8_t kFlagBuilding = 0x40;

// Bytes 6 to 11 of the master and emergency cards.
inline constexpr std::array<uint8_t, 6> kMasterFixedBytes{0x00, 0x01, 0x00, 0xFF, 0x1F, 0xFE};

// The seal card carries this in bytes 4 and 5 where other kinds hold the hotel id.
inline constexpr uint16_t kSealMarker = 0x3FFF;

// ---- Text fields ----------------------------------------------------------

// Reads width characters of text from position pos as a decimal number: each
// character counts as its code minus the code of '0', whether or not it is a
// digit ("0A" reads as 17). Null when text is null or a zero byte ends the text
// inside the field: a text too short for its fields is refused rather than read
// past its end.
std::optional<int> TextNumber(const char *text, size_t pos, size_t width);

// ---- Packing ---------------------------------------------------------------

struct LockNumber {
    int building = 0; // 0 to 7
    int floor = 0;    // 0 to 63
    int room = 0;     // 0 to 127
};

// Date and time of a guest card's check-out or a time set card.
struct PackedTimeFields {
    int year = 0;   // 0 to 15, last two digits
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to 31, not checked against the month
    int hour = 0;   // 0 to 23
    int minute = 0; // 0 to 59
};

// Validity period of building, floor and group cards; minutes in tens.
struct PeriodFields {
    int year = 0;
    int month = 0;
    int day = 0;
    int startHour = 0;
    int startMinute = 0;
    int endHour = 0;
    int endMinute = 0;
};

// Two bytes: (building div 4) * 128 + room, floor * 4 + building mod 4.
std::array<uint8_t, 2> PackLockNumber(const LockNumber &lock);
// Three bytes: year * 16 + month, (minute div 8) * 32 + day, hour * 8 + minute mod 8.
std::array<uint8_t, 3> PackTime(const PackedTimeFields &time);
// Four bytes: start hour * 8 + start minute div 10, year * 16 + month, day,
// end hour * 8 + end minute div 10.
std::array<uint8_t, 4> PackPeriod(const PeriodFields &period);

// Parsing with the range checks, in the order the builders check them. Null
// at the first field out of range.
std::optional<LockNumber> ParseLockNumber(const char *text);           // "BFFRRR"
std::optional<PackedTimeFields> ParseTime(const char *text);           // "YYMMDDhhmm"
std::optional<PeriodFields> ParsePeriod(const char *startTime, const char *endTime,
                                        const char *date);             // "hhmm", "hhmm", "YYMMDD"

// ---- Filler bytes ------------------------------------------------------------

// The next filler byte of the calling thread: the low byte of 255 * r, r the
// next output of the thread's linear congruential generator (state starts at
// 1 in each thread and is never reseeded). A fresh thread draws D7 DD 42 7C 1F 94.
uint8_t NextFillerByte();

// ---- Builders ----------------------------------------------------------------

std::optional<CardRecord> BuildGuestCard(int32_t hotelId, int32_t cardNo, const char *lockNo,
                                         const char *checkOutTime, int32_t guestGeneration,
                                         int32_t lLock);
std::optional<CardRecord> BuildMasterCard(int32_t hotelId, int32_t cardNo);
std::optional<CardRecord> BuildEmergencyCard(int32_t hotelId, int32_t cardNo);
std::optional<CardRecord> BuildBuildingCard(int32_t hotelId, int32_t cardNo, const char *building,
                                            const char *startTime, const char *endTime,
                                            const char *date);
std::optional<CardRecord> BuildFloorCard(int32_t hotelId, int32_t cardNo,
                                         const char *buildingAndFloor, const char *startTime,
                                         const char *endTime, const char *date);
std::optional<CardRecord> BuildGroupCard(int32_t hotelId, int32_t cardNo, int32_t groupNo,
                                         const char *startTime, const char *endTime,
                                         const char *date);
std::optional<CardRecord> BuildGroupSetCard(int32_t hotelId, int32_t cardNo, int32_t groupSetType,
                                            int32_t groupNo);
std::optional<CardRecord> BuildCheckOutCard(int32_t hotelId, int32_t cardNo);
std::optional<CardRecord> BuildLimitCard(int32_t hotelId, int32_t cardNo, int32_t limitedCardNo);
std::optional<CardRecord> BuildSystemCard(int32_t hotelId, int32_t cardNo);
std::optional<CardRecord> BuildSealCard(int32_t hotelId, int32_t cardNo);
std::optional<CardRecord> BuildRecordCard(int32_t hotelId, int32_t cardNo);
std::optional<CardRecord> BuildRoomSetCard(int32_t hotelId, int32_t cardNo, const char *lockNo);
std::optional<CardRecord> BuildTimeSetCard(int32_t hotelId, int32_t cardNo, const char *time);

// Twelve bytes 0xFF.
CardRecord EraseRecord();

// Writes the 24 upper-case hex characters of the record and a zero byte.
void WriteRecordText(const CardRecord &record, char *text);

} // namespace en24
