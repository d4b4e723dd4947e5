// The card exports: write-and-verify, erasing, decoding, every card builder
// and the record download. Each wraps the handle in a port and calls the
// core; arguments are checked there, before any port traffic.
#include "EN24_C1.h"

#include <optional>

#include "CardOperations.h"
#include "CardRecord.h"
#include "PosixPort.h"
#include "RecordDownload.h"

namespace {

// Builds the record only when there is a record text to receive it, so a
// refused call draws no filler bytes.
template <typename Build>
int32_t MakeCard(int32_t handle, char *recordText, Build build)
{
    if (recordText == nullptr)
        return EN24_REFUSED;
    const std::optional<en24::CardRecord> record = build();
    if (!record)
        return EN24_REFUSED;
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::WriteBuiltCard(port, clock, record, recordText);
}

// The record download opens the port itself and closes it when done.
class SystemRecordPort final : public en24::RecordPortAccess {
public:
    en24::Port *Open(int32_t portNo, int32_t baudRate) override
    {
        const int32_t fd = en24::OpenPosixPort(portNo, baudRate);
        if (fd < 0)
            return nullptr;
        port_.emplace(fd);
        fd_ = fd;
        return &*port_;
    }
    void Close() override
    {
        en24::ClosePosixPort(fd_);
        port_.reset();
    }

private:
    std::optional<en24::PosixPort> port_;
    int32_t fd_ = -1;
};

} // namespace

extern "C" {

EN24_API int32_t ReadAndWriteCard(int32_t handle, const unsigned char *record)
{
    if (record == nullptr)
        return EN24_REFUSED;
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::WriteAndVerify(port, clock, record);
}

EN24_API int32_t EraseCard(int32_t handle)
{
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::EraseCardOn(port, clock);
}

EN24_API int32_t GetCardInfo(int32_t handle, char *cardInfo)
{
    if (cardInfo == nullptr)
        return EN24_REFUSED;
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::GetCardInfoOn(port, clock, cardInfo);
}

EN24_API int32_t GetCardInfoSN(int32_t handle, char *cardInfo)
{
    if (cardInfo == nullptr)
        return EN24_REFUSED;
    en24::PosixPort port(handle);
    en24::SystemClock clock;
    return en24::GetCardInfoSNOn(port, clock, cardInfo);
}

EN24_API int32_t GuestCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *lockNo,
                           const char *checkOutTime, int32_t guestGeneration, int32_t lLock,
                           char *recordText)
{
    return MakeCard(handle, recordText, [&] {
        return en24::BuildGuestCard(hotelId, cardNo, lockNo, checkOutTime, guestGeneration, lLock);
    });
}

EN24_API int32_t MasterCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildMasterCard(hotelId, cardNo); });
}

EN24_API int32_t BuildingCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *building,
                              const char *startTime, const char *endTime, const char *date,
                              char *recordText)
{
    return MakeCard(handle, recordText, [&] {
        return en24::BuildBuildingCard(hotelId, cardNo, building, startTime, endTime, date);
    });
}

EN24_API int32_t FloorCard(int32_t handle, int32_t hotelId, int32_t cardNo,
                           const char *buildingAndFloor, const char *startTime,
                           const char *endTime, const char *date, char *recordText)
{
    return MakeCard(handle, recordText, [&] {
        return en24::BuildFloorCard(hotelId, cardNo, buildingAndFloor, startTime, endTime, date);
    });
}

EN24_API int32_t EmergencyCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildEmergencyCard(hotelId, cardNo); });
}

EN24_API int32_t CheckOutCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildCheckOutCard(hotelId, cardNo); });
}

EN24_API int32_t GroupCard(int32_t handle, int32_t hotelId, int32_t cardNo, int32_t groupNo,
                           const char *startTime, const char *endTime, const char *date,
                           char *recordText)
{
    return MakeCard(handle, recordText, [&] {
        return en24::BuildGroupCard(hotelId, cardNo, groupNo, startTime, endTime, date);
    });
}

EN24_API int32_t GroupCardSet(int32_t handle, int32_t hotelId, int32_t cardNo, int32_t groupSetType,
                              int32_t groupNo, char *recordText)
{
    return MakeCard(handle, recordText,
                    [&] { return en24::BuildGroupSetCard(hotelId, cardNo, groupSetType, groupNo); });
}

EN24_API int32_t LimitCard(int32_t handle, int32_t hotelId, int32_t cardNo, int32_t limitedCardNo,
                           char *recordText)
{
    return MakeCard(handle, recordText,
                    [&] { return en24::BuildLimitCard(hotelId, cardNo, limitedCardNo); });
}

EN24_API int32_t TimeSetCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *time,
                             char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildTimeSetCard(hotelId, cardNo, time); });
}

EN24_API int32_t RoomSetCard(int32_t handle, int32_t hotelId, int32_t cardNo, const char *lockNo,
                             char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildRoomSetCard(hotelId, cardNo, lockNo); });
}

EN24_API int32_t RecordCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildRecordCard(hotelId, cardNo); });
}

EN24_API int32_t SealCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildSealCard(hotelId, cardNo); });
}

EN24_API int32_t SystemCard(int32_t handle, int32_t hotelId, int32_t cardNo, char *recordText)
{
    return MakeCard(handle, recordText, [&] { return en24::BuildSystemCard(hotelId, cardNo); });
}

EN24_API int32_t GetRecord(int32_t portNo, char *text)
{
    SystemRecordPort access;
    en24::SystemClock clock;
    return en24::DownloadRecords(access, clock, portNo, text);
}

} // extern "C"
