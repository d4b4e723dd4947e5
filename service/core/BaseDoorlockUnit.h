// What the service asks of a door lock system. The service reaches the card
// encoder only through the current lock driver, an object of a class derived
// from TBaseDoorlock.
#pragma once

#include <cstdint>
#include <string>

#include "DateTimeUnit.h"

class TBaseDoorlock {
public:
    virtual ~TBaseDoorlock() = default;

    // The operations, in slot order. Each base body does nothing and reports
    // failure; WriteCard and ReadCard then leave cardNo untouched.
    virtual void ShowOptions();
    // True when the port was opened.
    virtual bool OpenDevice();
    virtual void Beep();
    virtual bool CloseDevice();
    // Writes a guest card for building + floor + room; the card number used
    // goes to cardNo. A date-time is passed twice: the date part is taken
    // from the first value, the time of day from the second.
    virtual bool WriteCard(const std::string &registerId, const std::string &buildingCode,
                           const std::string &floorCode, const std::string &roomNo,
                           const std::string &guestName, TDateTime checkInDate,
                           TDateTime checkInTime, TDateTime checkOutDate, TDateTime checkOutTime,
                           bool isCopy, int64_t &cardNo);
    virtual bool ReadCard(int64_t &cardNo);
    virtual bool EraseCard();
};

// The process-wide current lock driver: empty until the service installs one.
// Not owned; whoever installs a driver takes it out again before freeing it.
TBaseDoorlock *CurrentDoorlock();
void SetCurrentDoorlock(TBaseDoorlock *doorlock);
