#include "NorvikDoorLockUnit.h"

#include <EN24_C1.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstring>

#include "LogFileUnit.h"
#include "OptionUnit.h"

namespace {

std::atomic<int32_t> PortHandle{0};
// Whether PortHandle is a port this driver opened and has not closed yet. The
// handle is a descriptor of the process: once closed, its number may belong to
// a socket or a file, so it is neither closed again nor written to.
std::atomic<bool> PortOpen{false};

// The encoder takes the lock number as six characters by position; the
// buffer is zero-filled so that a shorter text never reads past its end.
std::array<char, 7> LockNoText(const std::string &lockNo)
{
    std::array<char, 7> text{};
    std::memcpy(text.data(), lockNo.data(), std::min<size_t>(lockNo.size(), 6));
    return text;
}

// Closes the port when a card operation leaves early, so that the next
// operation does not meet a port that is still held.
class TPortCloser {
public:
    explicit TPortCloser(TNorvikDoorLock &lock) : Lock_(lock) {}
    ~TPortCloser() { Lock_.CloseDevice(); }
    TPortCloser(const TPortCloser &) = delete;
    TPortCloser &operator=(const TPortCloser &) = delete;

private:
    TNorvikDoorLock &Lock_;
};

} // namespace

int32_t NorvikPortHandle() { return PortHandle.load(); }

bool NorvikPortOpen() { return PortOpen.load(); }

void ResetNorvikPortHandle()
{
    if (PortOpen.exchange(false))
        ::ClosePort(PortHandle.load());
    PortHandle.store(0);
}

int32_t HotelIdToInt(const std::string &hotelId)
{
    const char *first = hotelId.data();
    const char *last = first + hotelId.size();
    // One sign at most: from_chars takes a '-' of its own, so a '+' is
    // dropped only when a digit follows it.
    if (last - first > 1 && *first == '+' && first[1] != '-')
        ++first;
    int32_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (first == last || error != std::errc() || end != last)
        throw EConvertError("'" + hotelId + "' is not a valid integer value");
    return value;
}

std::string CheckOutTimeText(TDateTime checkOutDate, TDateTime checkOutTime)
{
    return FormatDateTime("yymmdd", checkOutDate) + FormatDateTime("hhnn", checkOutTime);
}

TNorvikDoorLock::TNorvikDoorLock(TOption &option, TLogFile &log) : Option_(option), Log_(log) {}

void TNorvikDoorLock::ShowOptions()
{
    if (OnShowOptions)
        OnShowOptions();
}

bool TNorvikDoorLock::OpenDevice()
{
    // Opening again while open would leave the first descriptor holding the
    // port, and the encoder's port is opened for exclusive use.
    if (PortOpen.exchange(false))
        ::ClosePort(PortHandle.load());
    PortHandle.store(::OpenPort(Option_.GetPortNo(), 9600));
    if (PortHandle.load() >= 1) {
        PortOpen.store(true);
        Log_.WriteLog("串口" + Option_.PortName + "打开成功");
        return true;
    }
    Log_.WriteLog("串口" + Option_.PortName + "打开失败");
    return false;
}

void TNorvikDoorLock::Beep()
{
    if (PortOpen.load())
        ::Buzzer(PortHandle.load());
}

bool TNorvikDoorLock::CloseDevice()
{
    if (PortOpen.exchange(false))
        ::ClosePort(PortHandle.load());
    return true;
}

int64_t TNorvikDoorLock::NextCardNo() { return Option_.NextCardNo(); }

bool TNorvikDoorLock::WriteCard(const std::string &, const std::string &buildingCode,
                                const std::string &floorCode, const std::string &roomNo,
                                const std::string &, TDateTime, TDateTime,
                                TDateTime checkOutDate, TDateTime checkOutTime, bool,
                                int64_t &cardNo)
{
    OpenDevice(); // a failed open hands its code to GuestCard, which then fails
    TPortCloser closer(*this);
    const int32_t hotelId = HotelIdToInt(Option_.HotelID);
    cardNo = NextCardNo();
    const auto lockNo = LockNoText(buildingCode + floorCode + roomNo);
    const std::string checkOut = CheckOutTimeText(checkOutDate, checkOutTime);
    std::array<char, 25> recordText;
    recordText.fill(' ');
    const int32_t result = ::GuestCard(PortHandle.load(), hotelId, static_cast<int32_t>(cardNo),
                                       lockNo.data(), checkOut.c_str(), 1, Option_.LLock ? 1 : 0,
                                       recordText.data());
    if (result == 1) {
        Log_.WriteLog("写卡成功,卡号为:" + std::to_string(cardNo));
        return true;
    }
    Log_.WriteLog("写卡失败, 错误代码 r=" + std::to_string(result));
    return false;
}

bool TNorvikDoorLock::ReadCard(int64_t &cardNo)
{
    OpenDevice();
    TPortCloser closer(*this);
    std::array<char, 129> cardInfo{};
    cardNo = ::GetCardInfo(PortHandle.load(), cardInfo.data());
    if (cardNo > 0) {
        Log_.WriteLog("读卡成功,卡号为:" + std::to_string(cardNo));
        return true;
    }
    Log_.WriteLog("读卡失败, 错误代码 r=" + std::to_string(cardNo));
    return false;
}

bool TNorvikDoorLock::EraseCard()
{
    OpenDevice();
    TPortCloser closer(*this);
    const int32_t result = ::EraseCard(PortHandle.load());
    if (result == 1) {
        Log_.WriteLog("注销卡片成功");
        return true;
    }
    Log_.WriteLog("注销卡片失败 r=" + std::to_string(result));
    return false;
}
