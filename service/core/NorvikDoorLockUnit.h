// The lock driver of this system: guest cards on the desktop encoder through
// libEN24_C1 over the serial port named by the PortName option.
#pragma once

#include <cstdint>
#include <functional>

#include "BaseDoorlockUnit.h"

class TLogFile;
class TOption;

class TNorvikDoorLock : public TBaseDoorlock {
public:
    // The driver holds no state of its own: the port handle is process-wide
    // (below) and the card counter lives in the door lock options.
    TNorvikDoorLock(TOption &option, TLogFile &log);

    // Shows the door lock option dialog. The dialog is a window, so the
    // windowed program installs it here; without it nothing is shown.
    std::function<void()> OnShowOptions;

    void ShowOptions() override;
    bool OpenDevice() override;
    void Beep() override;
    bool CloseDevice() override;
    // Stops with EConvertError when HotelID is not a decimal integer (before a
    // card number is used up) and with EIniFileError when the counter cannot
    // be saved; the port is closed again in both cases.
    bool WriteCard(const std::string &registerId, const std::string &buildingCode,
                   const std::string &floorCode, const std::string &roomNo,
                   const std::string &guestName, TDateTime checkInDate, TDateTime checkInTime,
                   TDateTime checkOutDate, TDateTime checkOutTime, bool isCopy,
                   int64_t &cardNo) override;
    bool ReadCard(int64_t &cardNo) override;
    bool EraseCard() override;

    // Advances the card counter and saves it before the card is written.
    int64_t NextCardNo();

private:
    TOption &Option_;
    TLogFile &Log_;
};

// The process-wide port handle: 0 at start, then the last result of OpenPort
// (a handle, or the negative code of a failed open). Callers run one driver
// operation at a time, so it is shared as the encoder itself is.
int32_t NorvikPortHandle();
// Whether the driver holds the port open now (between OpenDevice and
// CloseDevice). Beep and CloseDevice act only on a port held open.
bool NorvikPortOpen();
// Closes a port still held and sets the handle back to 0, for tests that start over in the same process.
void ResetNorvikPortHandle();

// The hotel id option as the decimal integer the encoder takes: an optional
// sign and decimal digits within 32 bits, nothing else. Throws EConvertError.
int32_t HotelIdToInt(const std::string &hotelId);
// "yymmdd" of the date part + "hhnn" of the time part: "0806221200".
std::string CheckOutTimeText(TDateTime checkOutDate, TDateTime checkOutTime);
