#include "CardInfo.h"

namespace en24 {

namespace {

// The library writes only upper-case hex digits, so this is all the reading
// its own read texts need.
int HexValue(char c) { return c < 'A' ? c - '0' : c - 55; }

int ByteAt(const char *text, size_t pos) { return HexValue(text[pos]) * 16 + HexValue(text[pos + 1]); }

void PutDigits(char *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

} // namespace

bool ReadTextHasCard(const char *readText)
{
    return readText[kReadStatusPos] == '0' && readText[kReadStatusPos + 1] == '1';
}

int32_t DecodeCardInfo(const char *readText, char *cardInfo)
{
    if (!ReadTextHasCard(readText))
        return 0;
    uint8_t r[12];
    for (size_t i = 0; i < 12; ++i)
        r[i] = static_cast<uint8_t>(ByteAt(readText, kReadRecordPos + 2 * i));

    const int32_t cardNo = r[0] * 65536 + r[1] * 256 + r[2];
    cardInfo[0] = readText[kReadRecordPos + 6]; // first hex digit of the card kind
    PutDigits(cardInfo + 1, (r[4] % 64) * 256 + r[5], 5);
    const LockNumber lock = UnpackLockNumber(r[6], r[7]);
    PutDigits(cardInfo + 6, lock.building, 1);
    PutDigits(cardInfo + 7, lock.floor, 2);
    PutDigits(cardInfo + 9, lock.room, 3);
    const PackedTimeFields time = UnpackTime(r + 9);
    PutDigits(cardInfo + 12, time.year, 2);
    PutDigits(cardInfo + 14, time.month, 2);
    PutDigits(cardInfo + 16, time.day, 2);
    PutDigits(cardInfo + 18, time.hour, 2);
    PutDigits(cardInfo + 20, time.minute, 2);
    return cardNo;
}

CardKind KindOf(const CardRecord &record)
{
    if (record == EraseRecord())
        return CardKind::Erased;
    switch (record[3]) {
    case kKindSystemOrSeal:
        return (record[4] == (kSealMarker >> 8) && record[5] == (kSealMarker & 0xFF)) ? CardKind::Seal
                                                                                      : CardKind::System;
    case kKindRecord: return CardKind::Record;
    case kKindRoomSet: return CardKind::RoomSet;
    case kKindTimeSet: return CardKind::TimeSet;
    case kKindLimit: return CardKind::Limit;
    case kKindGroupSet:
    case kKindGroupSet + 4:
    case kKindGroupSet + 8:
    case kKindGroupSet + 12: return CardKind::GroupSet;
    case kKindGuest:
    case kKindGuestLLock: return CardKind::Guest;
    case kKindCheckOut: return CardKind::CheckOut;
    case kKindGroup: return CardKind::Group;
    case kKindEmergency: return CardKind::Emergency;
    case kKindMaster: return CardKind::Master;
    case kKindFloor: return CardKind::Floor;
    case kKindBuilding: return CardKind::Building;
    default: return CardKind::Unknown;
    }
}

const char *KindName(CardKind kind)
{
    switch (kind) {
    case CardKind::Erased: return "erased card";
    case CardKind::System: return "system card";
    case CardKind::Seal: return "seal card";
    case CardKind::Record: return "record card";
    case CardKind::RoomSet: return "room set card";
    case CardKind::TimeSet: return "time set card";
    case CardKind::Limit: return "limit card";
    case CardKind::GroupSet: return "group set card";
    case CardKind::Guest: return "guest card";
    case CardKind::CheckOut: return "check-out card";
    case CardKind::Group: return "group card";
    case CardKind::Emergency: return "emergency card";
    case CardKind::Master: return "master card";
    case CardKind::Floor: return "floor card";
    case CardKind::Building: return "building card";
    case CardKind::Unknown: break;
    }
    return "unknown card kind";
}

int32_t CardNumberOf(const CardRecord &record) { return record[0] * 65536 + record[1] * 256 + record[2]; }

int32_t HotelIdOf(const CardRecord &record) { return (record[4] % 64) * 256 + record[5]; }

uint8_t KindFlagsOf(const CardRecord &record) { return static_cast<uint8_t>(record[4] & 0xC0); }

uint8_t ExpectedKindFlags(CardKind kind)
{
    if (kind == CardKind::Emergency)
        return kFlagEmergency;
    if (kind == CardKind::Building)
        return kFlagBuilding;
    return 0;
}

LockNumber UnpackLockNumber(uint8_t byte6, uint8_t byte7)
{
    return {(byte6 / 128) * 4 + byte7 % 4, byte7 / 4, byte6 % 128};
}

PackedTimeFields UnpackTime(const uint8_t *bytes)
{
    PackedTimeFields time;
    time.year = bytes[0] / 16;
    time.month = bytes[0] % 16;
    time.day = bytes[1] % 32;
    time.hour = bytes[2] / 8;
    time.minute = (bytes[1] / 32) * 8 + bytes[2] % 8;
    return time;
}

PeriodFields UnpackPeriod(const uint8_t *bytes)
{
    PeriodFields period;
    period.startHour = bytes[0] / 8;
    period.startMinute = (bytes[0] % 8) * 10;
    period.year = bytes[1] / 16;
    period.month = bytes[1] % 16;
    period.day = bytes[2];
    period.endHour = bytes[3] / 8;
    period.endMinute = (bytes[3] % 8) * 10;
    return period;
}

std::optional<CardRecord> ParseRecordText(std::string_view text)
{
    if (text.size() != 24)
        return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    CardRecord record{};
    for (size_t i = 0; i < record.size(); ++i) {
        const int high = nibble(text[2 * i]);
        const int low = nibble(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        record[i] = static_cast<uint8_t>(high * 16 + low);
    }
    return record;
}

} // namespace en24
