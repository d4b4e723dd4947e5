// Rooms' last check-in times and the record of issued cards, in Client.mdb
// (an SQLite database) beside the executable. Never creates the file or its
// tables. Every failure is logged as one line and the operation returns.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "DateTimeUnit.h"

struct sqlite3;
class TLogFile;

class TDoorlockRecordManager {
public:
    // Opens the database; a failure is logged and each later operation tries
    // to open it again.
    TDoorlockRecordManager(std::string databaseFile, TLogFile &log);
    ~TDoorlockRecordManager();
    TDoorlockRecordManager(const TDoorlockRecordManager &) = delete;
    TDoorlockRecordManager &operator=(const TDoorlockRecordManager &) = delete;

    const std::string &DatabaseFile() const { return DatabaseFile_; }

    // 0 when the room is unknown (or its time is null).
    TDateTime GetLastCheckInTime(const std::string &roomNo);
    // Adds the room when no row was updated.
    void UpdateLastCheckInTime(const std::string &roomNo, TDateTime lastCheckInTime);
    // Logs "新建房间" + roomNo after the insert.
    void AddRoom(const std::string &roomNo, TDateTime lastCheckInTime);
    void AddIssueCardRecord(const std::string &registerId, const std::string &cardNo,
                            const std::string &roomNo, int32_t cardType,
                            TDateTime lastCheckInTime, TDateTime checkInTime,
                            TDateTime checkOutTime, bool isCopy, const std::string &guestName,
                            TDateTime opratingTime);

private:
    // Opens the connection when it is not open; throws with the reason.
    void Open();

    std::string DatabaseFile_;
    TLogFile &Log_;
    sqlite3 *Connection_ = nullptr;
    std::recursive_mutex Lock_; // one whole operation at a time, AddRoom inside Update included
};
