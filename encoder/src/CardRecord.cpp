#include "CardRecord.h"

#include "Frame.h"

namespace en24 {

namespace {

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// The checks every builder makes first, hotel id before card number.
bool HotelAndCardAccepted(int32_t hotelId, int32_t cardNo)
{
    return hotelId >= 0 && hotelId <= kMaxHotelId && cardNo >= kMinCardNo && cardNo <= kMaxCardNo;
}

// Bytes 0 to 5 shared by all kinds; flags go above the hotel id in byte 4.
CardRecord Head(int32_t cardNo, uint8_t kind, int32_t hotelId, uint8_t flags = 0)
{
    CardRecord record{};
    record[0] = static_cast<uint8_t>(cardNo >> 16);
    record[1] = static_cast<uint8_t>(cardNo >> 8);
    record[2] = static_cast<uint8_t>(cardNo);
    record[3] = kind;
    record[4] = static_cast<uint8_t>((hotelId >> 8) + flags);
    record[5] = static_cast<uint8_t>(hotelId);
    return record;
}

void Fill(CardRecord &record, size_t first, size_t last)
{
    for (size_t i = first; i <= last; ++i)
        record[i] = NextFillerByte();
}

void Put(CardRecord &record, size_t at, const auto &bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i)
        record[at + i] = bytes[i];
}

// A field read by position and checked against its range.
std::optional<int> Field(const char *text, size_t pos, size_t width, int low, int high)
{
    const std::optional<int> value = TextNumber(text, pos, width);
    if (!value || !InRange(*value, low, high))
        return std::nullopt;
    return value;
}

// Hotel id in bytes 6 and 7, most significant first, or FF FF for hotel id 0.
std::array<uint8_t, 2> HotelIdAgain(int32_t hotelId)
{
    if (hotelId == 0)
        return {0xFF, 0xFF};
    return {static_cast<uint8_t>(hotelId >> 8), static_cast<uint8_t>(hotelId)};
}

} // namespace

std::optional<int> TextNumber(const char *text, size_t pos, size_t width)
{
    if (text == nullptr)
        return std::nullopt;
    int value = 0;
    for (size_t i = 0; i < width; ++i) {
        const auto code = static_cast<unsigned char>(text[pos + i]);
        if (code == 0)
            return std::nullopt;
        value = value * 10 + (code - '0');
    }
    return value;
}

std::array<uint8_t, 2> PackLockNumber(const LockNumber &lock)
{
    return {static_cast<uint8_t>((lock.building / 4) * 128 + lock.room),
            static_cast<uint8_t>(lock.floor * 4 + lock.building % 4)};
}

std::array<uint8_t, 3> PackTime(const PackedTimeFields &time)
{
    return {static_cast<uint8_t>(time.year * 16 + time.month),
            static_cast<uint8_t>((time.minute / 8) * 32 + time.day),
            static_cast<uint8_t>(time.hour * 8 + time.minute % 8)};
}

std::array<uint8_t, 4> PackPeriod(const PeriodFields &period)
{
    return {static_cast<uint8_t>(period.startHour * 8 + period.startMinute / 10),
            static_cast<uint8_t>(period.year * 16 + period.month),
            static_cast<uint8_t>(period.day),
            static_cast<uint8_t>(period.endHour * 8 + period.endMinute / 10)};
}

std::optional<LockNumber> ParseLockNumber(const char *text)
{
    LockNumber lock;
    const auto building = Field(text, 0, 1, 0, 7);
    if (!building)
        return std::nullopt;
    const auto floor = Field(text, 1, 2, 0, 63);
    if (!floor)
        return std::nullopt;
    const auto room = Field(text, 3, 3, 0, 127);
    if (!room)
        return std::nullopt;
    lock.building = *building;
    lock.floor = *floor;
    lock.room = *room;
    return lock;
}

std::optional<PackedTimeFields> ParseTime(const char *text)
{
    PackedTimeFields time;
    const struct {
        int *field;
        size_t pos;
        int low, high;
    } fields[] = {{&time.year, 0, 0, 15}, {&time.month, 2, 1, 12}, {&time.day, 4, 1, 31},
                  {&time.hour, 6, 0, 23}, {&time.minute, 8, 0, 59}};
    for (const auto &f : fields) {
        const auto value = Field(text, f.pos, 2, f.low, f.high);
        if (!value)
            return std::nullopt;
        *f.field = *value;
    }
    return time;
}

std::optional<PeriodFields> ParsePeriod(const char *startTime, const char *endTime, const char *date)
{
    PeriodFields period;
    const struct {
        int *field;
        const char *text;
        size_t pos;
        int low, high;
    } fields[] = {{&period.year, date, 0, 0, 15},          {&period.month, date, 2, 1, 12},
                  {&period.day, date, 4, 1, 31},           {&period.startHour, startTime, 0, 0, 23},
                  {&period.startMinute, startTime, 2, 0, 59}, {&period.endHour, endTime, 0, 0, 23},
                  {&period.endMinute, endTime, 2, 0, 59}};
    for (const auto &f : fields) {
        const auto value = Field(f.text, f.pos, 2, f.low, f.high);
        if (!value)
            return std::nullopt;
        *f.field = *value;
    }
    return period;
}

uint8_t NextFillerByte()
{
    thread_local uint32_t state = 1;
    state = state * 214013u + 2531011u; // wraps modulo 2^32
    const uint32_t r = (state >> 16) & 0x7FFFu;
    return static_cast<uint8_t>(255u * r);
}

std::optional<CardRecord> BuildGuestCard(int32_t hotelId, int32_t cardNo, const char *lockNo,
                                         const char *checkOutTime, int32_t guestGeneration,
                                         int32_t lLock)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    const auto lock = ParseLockNumber(lockNo);
    if (!lock)
        return std::nullopt;
    const auto time = ParseTime(checkOutTime);
    if (!time)
        return std::nullopt;
    const uint8_t kind = (lLock & 0xFF) != 0 ? kKindGuestLLock : kKindGuest;
    CardRecord record = Head(cardNo, kind, hotelId);
    Put(record, 6, PackLockNumber(*lock));
    record[8] = static_cast<uint8_t>(guestGeneration);
    Put(record, 9, PackTime(*time));
    return record;
}

std::optional<CardRecord> BuildMasterCard(int32_t hotelId, int32_t cardNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindMaster, hotelId);
    Put(record, 6, kMasterFixedBytes);
    return record;
}

std::optional<CardRecord> BuildEmergencyCard(int32_t hotelId, int32_t cardNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindEmergency, hotelId, kFlagEmergency);
    Put(record, 6, kMasterFixedBytes);
    return record;
}

std::optional<CardRecord> BuildBuildingCard(int32_t hotelId, int32_t cardNo, const char *building,
                                            const char *startTime, const char *endTime,
                                            const char *date)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    const auto buildingNo = Field(building, 0, 1, 0, 7);
    if (!buildingNo)
        return std::nullopt;
    const auto period = ParsePeriod(startTime, endTime, date);
    if (!period)
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindBuilding, hotelId, kFlagBuilding);
    record[6] = static_cast<uint8_t>((*buildingNo / 4) * 128);
    record[7] = static_cast<uint8_t>(*buildingNo % 4);
    Put(record, 8, PackPeriod(*period));
    return record;
}

std::optional<CardRecord> BuildFloorCard(int32_t hotelId, int32_t cardNo,
                                         const char *buildingAndFloor, const char *startTime,
                                         const char *endTime, const char *date)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    const auto buildingNo = Field(buildingAndFloor, 0, 1, 0, 7);
    if (!buildingNo)
        return std::nullopt;
    const auto floor = Field(buildingAndFloor, 1, 2, 0, 63);
    if (!floor)
        return std::nullopt;
    const auto period = ParsePeriod(startTime, endTime, date);
    if (!period)
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindFloor, hotelId);
    record[6] = static_cast<uint8_t>((*buildingNo / 4) * 128);
    record[7] = static_cast<uint8_t>(*floor * 4 + *buildingNo % 4);
    Put(record, 8, PackPeriod(*period));
    return record;
}

std::optional<CardRecord> BuildGroupCard(int32_t hotelId, int32_t cardNo, int32_t groupNo,
                                         const char *startTime, const char *endTime,
                                         const char *date)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    const auto period = ParsePeriod(startTime, endTime, date);
    if (!period)
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindGroup, hotelId);
    record[6] = static_cast<uint8_t>(groupNo);
    record[7] = static_cast<uint8_t>(groupNo);
    Put(record, 8, PackPeriod(*period));
    return record;
}

std::optional<CardRecord> BuildGroupSetCard(int32_t hotelId, int32_t cardNo, int32_t groupSetType,
                                            int32_t groupNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    const auto type = static_cast<uint8_t>(groupSetType);
    if (type != 0 && type != 4 && type != 8 && type != 12)
        return std::nullopt;
    CardRecord record = Head(cardNo, static_cast<uint8_t>(kKindGroupSet + type), hotelId);
    for (size_t i = 6; i < record.size(); ++i)
        record[i] = static_cast<uint8_t>(groupNo);
    return record;
}

std::optional<CardRecord> BuildCheckOutCard(int32_t hotelId, int32_t cardNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindCheckOut, hotelId);
    Fill(record, 6, 11);
    return record;
}

std::optional<CardRecord> BuildLimitCard(int32_t hotelId, int32_t cardNo, int32_t limitedCardNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    if (limitedCardNo < kMinCardNo || limitedCardNo > kMaxCardNo)
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindLimit, hotelId);
    record[6] = static_cast<uint8_t>(limitedCardNo >> 16);
    record[7] = static_cast<uint8_t>(limitedCardNo >> 8);
    record[8] = static_cast<uint8_t>(limitedCardNo);
    Fill(record, 9, 11);
    return record;
}

std::optional<CardRecord> BuildSystemCard(int32_t hotelId, int32_t cardNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindSystemOrSeal, hotelId);
    Put(record, 6, HotelIdAgain(hotelId));
    Fill(record, 8, 11);
    return record;
}

std::optional<CardRecord> BuildSealCard(int32_t hotelId, int32_t cardNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindSystemOrSeal, kSealMarker);
    Put(record, 6, HotelIdAgain(hotelId));
    Fill(record, 8, 11);
    return record;
}

std::optional<CardRecord> BuildRecordCard(int32_t hotelId, int32_t cardNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindRecord, hotelId);
    Fill(record, 6, 11);
    return record;
}

std::optional<CardRecord> BuildRoomSetCard(int32_t hotelId, int32_t cardNo, const char *lockNo)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    const auto lock = ParseLockNumber(lockNo);
    if (!lock)
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindRoomSet, hotelId);
    Put(record, 6, PackLockNumber(*lock));
    Fill(record, 8, 11);
    return record;
}

std::optional<CardRecord> BuildTimeSetCard(int32_t hotelId, int32_t cardNo, const char *time)
{
    if (!HotelAndCardAccepted(hotelId, cardNo))
        return std::nullopt;
    const auto fields = ParseTime(time);
    if (!fields)
        return std::nullopt;
    CardRecord record = Head(cardNo, kKindTimeSet, hotelId);
    Fill(record, 6, 8);
    Put(record, 9, PackTime(*fields));
    return record;
}

CardRecord EraseRecord()
{
    CardRecord record;
    record.fill(0xFF);
    return record;
}

void WriteRecordText(const CardRecord &record, char *text) { HexText(record.data(), record.size(), text); }

} // namespace en24
