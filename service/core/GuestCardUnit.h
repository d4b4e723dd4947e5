// Issuing one guest card, as a request from the front office and the test
// window both do it: the card start time chosen by the options, the card
// written through the lock driver, the room and the issue kept in Client.mdb.
#pragma once

#include <cstdint>
#include <string>

#include "DateTimeUnit.h"

class TBaseDoorlock;
struct TServiceState;

struct TGuestCardOrder {
    std::string RegisterId;
    std::string BuildingCode;
    std::string FloorCode;
    std::string RoomNo;
    std::string GuestName;
    TDateTime CheckInTime = 0;
    TDateTime CheckOutTime = 0;
    bool IsCopy = false; // a further card for a stay that already has one
};

// The start time: with UseNativeDoorlockDb, a copy card takes the room's last
// check-in time (a room not known yet gets now minus DelayMinutes and is
// added), a first card now minus DelayMinutes; without it, the check-in time.
// Writes the card (no lock driver: not written), moves the room's time after
// a first card written, and records every attempt with SaveDoorlockRecord.
// True when the card was written; cardNo gets the number used (0 when none).
bool IssueGuestCard(TServiceState &state, TBaseDoorlock *doorlock, const TGuestCardOrder &order,
                    int64_t &cardNo);
