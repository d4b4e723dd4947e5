#include "GuestCardUnit.h"

#include "BaseDoorlockUnit.h"
#include "ServiceStateUnit.h"

namespace {

constexpr int32_t kGuestCardType = 1;

} // namespace

bool IssueGuestCard(TServiceState &state, TBaseDoorlock *doorlock, const TGuestCardOrder &order,
                    int64_t &cardNo)
{
    const TSysOption &sysOption = state.SysOption;
    TDoorlockRecordManager &records = state.DoorlockRecordManager;
    const std::string roomKey = order.BuildingCode + order.FloorCode + order.RoomNo;

    TDateTime startTime = order.CheckInTime;
    if (sysOption.UseNativeDoorlockDb) {
        startTime = order.IsCopy ? records.GetLastCheckInTime(roomKey) : 0;
        if (startTime == 0) {
            startTime = IncMinute(Now(), -int64_t{sysOption.DelayMinutes});
            if (order.IsCopy)
                records.AddRoom(roomKey, startTime);
        }
    }

    bool written = false;
    if (doorlock != nullptr)
        written = doorlock->WriteCard(order.RegisterId, order.BuildingCode, order.FloorCode,
                                      order.RoomNo, order.GuestName, startTime, startTime,
                                      order.CheckOutTime, order.CheckOutTime, order.IsCopy,
                                      cardNo);
    // A copy card never moves the room's last check-in time.
    if (written && sysOption.UseNativeDoorlockDb && !order.IsCopy)
        records.UpdateLastCheckInTime(roomKey, startTime);
    if (sysOption.SaveDoorlockRecord)
        records.AddIssueCardRecord(order.RegisterId, std::to_string(cardNo), roomKey,
                                   kGuestCardType, startTime, order.CheckInTime,
                                   order.CheckOutTime, order.IsCopy, order.GuestName, Now());
    return written;
}
