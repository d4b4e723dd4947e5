#include "DoorlockRecordManagerUnit.h"

#include <stdexcept>

#include <sqlite3.h>

#include "LogFileUnit.h"

namespace {

// A locked database is waited for this long before the operation fails.
constexpr int BusyTimeoutMs = 5000;

// Date-times are stored as local text, readable in any SQLite tool and exact
// to the millisecond.
constexpr const char *StoredDateTimeFormat = "yyyy-mm-dd hh:nn:ss.zzz";

class EDatabaseError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One prepared statement, finalised when it goes out of scope.
class TStatement {
public:
    TStatement(sqlite3 *connection, const char *sql) : Connection_(connection) {
        if (sqlite3_prepare_v2(connection, sql, -1, &Statement_, nullptr) != SQLITE_OK)
            Fail();
    }
    ~TStatement() { sqlite3_finalize(Statement_); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;

    void BindText(const char *name, const std::string &value) {
        Check(sqlite3_bind_text(Statement_, Index(name), value.data(),
                                static_cast<int>(value.size()), SQLITE_TRANSIENT));
    }
    void BindInteger(const char *name, int32_t value) {
        Check(sqlite3_bind_int(Statement_, Index(name), value));
    }
    void BindBool(const char *name, bool value) {
        Check(sqlite3_bind_int(Statement_, Index(name), value ? 1 : 0));
    }
    void BindDateTime(const char *name, TDateTime value) {
        BindText(name, FormatDateTime(StoredDateTimeFormat, value));
    }

    // True while a row is there to read.
    bool Step() {
        const int result = sqlite3_step(Statement_);
        if (result == SQLITE_ROW)
            return true;
        if (result != SQLITE_DONE)
            Fail();
        return false;
    }

    // 0 for null; otherwise the text this unit writes.
    TDateTime ColumnDateTime(int column) {
        if (sqlite3_column_type(Statement_, column) == SQLITE_NULL)
            return 0;
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(Statement_, column));
        return StrToDateTime(text == nullptr ? "" : text);
    }

private:
    int Index(const char *name) {
        const int index = sqlite3_bind_parameter_index(Statement_, name);
        if (index == 0)
            throw EDatabaseError(std::string("Parameter ") + name + " not found");
        return index;
    }
    void Check(int result) {
        if (result != SQLITE_OK)
            Fail();
    }
    [[noreturn]] void Fail() { throw EDatabaseError(sqlite3_errmsg(Connection_)); }

    sqlite3 *Connection_;
    sqlite3_stmt *Statement_ = nullptr;
};

// Whatever went wrong, as one line of the log.
std::string OneLine(std::string text) {
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

} // namespace

TDoorlockRecordManager::TDoorlockRecordManager(std::string databaseFile, TLogFile &log)
    : DatabaseFile_(std::move(databaseFile)), Log_(log) {
    std::lock_guard<std::recursive_mutex> hold(Lock_);
    try {
        Open();
    } catch (const std::exception &error) {
        Log_.WriteLog(OneLine(error.what()));
    }
}

TDoorlockRecordManager::~TDoorlockRecordManager() { sqlite3_close_v2(Connection_); }

void TDoorlockRecordManager::Open() {
    if (Connection_ != nullptr)
        return;
    sqlite3 *connection = nullptr;
    // Read and write only: the service never makes the file.
    const int result = sqlite3_open_v2(DatabaseFile_.c_str(), &connection,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    std::string failure;
    if (result != SQLITE_OK) {
        failure = connection != nullptr ? sqlite3_errmsg(connection) : sqlite3_errstr(result);
    } else {
        sqlite3_busy_timeout(connection, BusyTimeoutMs);
        // Reads the file's header, so a file that is not a database is found
        // now rather than by the first statement.
        if (sqlite3_exec(connection, "PRAGMA schema_version", nullptr, nullptr, nullptr) !=
            SQLITE_OK)
            failure = sqlite3_errmsg(connection);
    }
    if (!failure.empty()) {
        sqlite3_close_v2(connection);
        throw EDatabaseError("Cannot open database " + DatabaseFile_ + ": " + failure);
    }
    Connection_ = connection;
}

TDateTime TDoorlockRecordManager::GetLastCheckInTime(const std::string &roomNo) {
    std::lock_guard<std::recursive_mutex> hold(Lock_);
    try {
        Open();
        TStatement query(Connection_, "select LastCheckInTime from T_Room where RoomNo=:RoomNo");
        query.BindText(":RoomNo", roomNo);
        return query.Step() ? query.ColumnDateTime(0) : 0;
    } catch (const std::exception &error) {
        Log_.WriteLog(OneLine(error.what()));
        return 0;
    }
}

void TDoorlockRecordManager::UpdateLastCheckInTime(const std::string &roomNo,
                                                   TDateTime lastCheckInTime) {
    std::lock_guard<std::recursive_mutex> hold(Lock_);
    int changed = 0;
    try {
        Open();
        TStatement query(Connection_,
                         "update T_Room set LastCheckInTime=:LastCheckInTime where RoomNo=:RoomNo");
        query.BindDateTime(":LastCheckInTime", lastCheckInTime);
        query.BindText(":RoomNo", roomNo);
        query.Step();
        changed = sqlite3_changes(Connection_);
    } catch (const std::exception &error) {
        Log_.WriteLog(OneLine(error.what()));
        return;
    }
    if (changed == 0)
        AddRoom(roomNo, lastCheckInTime);
}

void TDoorlockRecordManager::AddRoom(const std::string &roomNo, TDateTime lastCheckInTime) {
    std::lock_guard<std::recursive_mutex> hold(Lock_);
    try {
        Open();
        TStatement query(Connection_, "insert into T_Room(RoomNo, LastCheckInTime) "
                                      "Values(:RoomNo, :LastCheckInTime)");
        query.BindText(":RoomNo", roomNo);
        query.BindDateTime(":LastCheckInTime", lastCheckInTime);
        query.Step();
    } catch (const std::exception &error) {
        Log_.WriteLog(OneLine(error.what()));
        return;
    }
    Log_.WriteLog("新建房间" + roomNo);
}

void TDoorlockRecordManager::AddIssueCardRecord(const std::string &registerId,
                                                const std::string &cardNo,
                                                const std::string &roomNo, int32_t cardType,
                                                TDateTime lastCheckInTime, TDateTime checkInTime,
                                                TDateTime checkOutTime, bool isCopy,
                                                const std::string &guestName,
                                                TDateTime opratingTime) {
    std::lock_guard<std::recursive_mutex> hold(Lock_);
    try {
        Open();
        TStatement query(
            Connection_,
            "insert into T_IssueCardRecord(RegisterId, CardNo, RoomNo, CardType, "
            "LastCheckInTime, CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime)\n"
            " Values(:RegisterId, :CardNo, :RoomNo, :CardType, :LastCheckInTime, :CheckInTime, "
            ":CheckOutTime, :IsCopy, :GuestName, :OpratingTime)");
        query.BindText(":RegisterId", registerId);
        query.BindText(":CardNo", cardNo);
        query.BindText(":RoomNo", roomNo);
        query.BindInteger(":CardType", cardType);
        query.BindDateTime(":LastCheckInTime", lastCheckInTime);
        query.BindDateTime(":CheckInTime", checkInTime);
        query.BindDateTime(":CheckOutTime", checkOutTime);
        query.BindBool(":IsCopy", isCopy);
        query.BindText(":GuestName", guestName);
        query.BindDateTime(":OpratingTime", opratingTime);
        query.Step();
    } catch (const std::exception &error) {
        Log_.WriteLog(OneLine(error.what()));
    }
}
