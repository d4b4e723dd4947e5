// Rooms' last check-in times and the issued cards' record in Client.mdb.
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "ClientMdb.h"
#include "DoorlockRecordManagerUnit.h"
#include "LogFileUnit.h"
#include "StateTestSupport.h"

namespace {

// A second connection to the database, as the sqlite3 tool would open it.
class TInspector {
public:
    explicit TInspector(const std::string &path) {
        if (sqlite3_open_v2(path.c_str(), &Connection_, SQLITE_OPEN_READWRITE, nullptr) !=
            SQLITE_OK)
            throw std::runtime_error("cannot open " + path);
    }
    ~TInspector() { sqlite3_close_v2(Connection_); }

    void Exec(const std::string &sql) {
        char *message = nullptr;
        if (sqlite3_exec(Connection_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message != nullptr ? message : "?";
            sqlite3_free(message);
            throw std::runtime_error(sql + ": " + text);
        }
    }

    // Every row, each column as text ("NULL" for null), joined by '|'.
    std::vector<std::string> Rows(const std::string &sql) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(Connection_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sql + ": " + sqlite3_errmsg(Connection_));
        std::vector<std::string> rows;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto *text =
                    reinterpret_cast<const char *>(sqlite3_column_text(statement, i));
                row += (i > 0 ? "|" : "") + std::string(text == nullptr ? "NULL" : text);
            }
            rows.push_back(row);
        }
        sqlite3_finalize(statement);
        return rows;
    }

private:
    sqlite3 *Connection_ = nullptr;
};

class RecordDatabase : public ::testing::Test {
protected:
    TTempDir Dir;
    std::string DatabasePath = Dir / "Client.mdb";
    TLogFile Log{Dir / "20081105.LOG"};

    void MakeDatabase() { CreateClientMdb(DatabasePath); }

    // The messages logged so far, stamps cut off.
    std::vector<std::string> LogMessages() const {
        std::vector<std::string> messages;
        const std::string content = ReadWholeFile(Log.FileName());
        size_t start = 0;
        for (size_t end; (end = content.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            messages.push_back(content.substr(start + 20, end - start - 20));
        return messages;
    }
};

const TDateTime CheckIn = EncodeDateTime(2008, 6, 20, 14, 30, 0, 123);
const TDateTime Later = EncodeDateTime(2008, 6, 22, 12, 0, 0, 0);

TEST_F(RecordDatabase, RoomsUnknownThenAddedThenUpdated) {
    MakeDatabase();
    TDoorlockRecordManager manager(DatabasePath, Log);
    EXPECT_EQ(manager.DatabaseFile(), DatabasePath);

    EXPECT_EQ(manager.GetLastCheckInTime("001101"), 0.0);
    EXPECT_TRUE(LogMessages().empty());

    manager.UpdateLastCheckInTime("001101", CheckIn);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"新建房间001101"});
    EXPECT_EQ(manager.GetLastCheckInTime("001101"), CheckIn);

    manager.UpdateLastCheckInTime("001101", Later);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"新建房间001101"});
    EXPECT_EQ(manager.GetLastCheckInTime("001101"), Later);

    // Readable in any SQLite tool, one row per room.
    TInspector db(DatabasePath);
    EXPECT_EQ(db.Rows("select RoomNo, LastCheckInTime from T_Room"),
              std::vector<std::string>{"001101|2008-06-22 12:00:00.000"});
}

TEST_F(RecordDatabase, AddRoomLogsAfterTheInsert) {
    MakeDatabase();
    TDoorlockRecordManager manager(DatabasePath, Log);
    manager.AddRoom("000101", CheckIn);
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"新建房间000101"});
    EXPECT_EQ(TInspector(DatabasePath).Rows("select * from T_Room"),
              std::vector<std::string>{"000101|2008-06-20 14:30:00.123"});
}

TEST_F(RecordDatabase, RoomKeysAreBoundNotPasted) {
    MakeDatabase();
    TDoorlockRecordManager manager(DatabasePath, Log);
    const std::string keys[] = {"00'101", "' or '1'='1", "1;drop table T_Room", "楼01房"};
    for (const std::string &key : keys) {
        SCOPED_TRACE(key);
        EXPECT_EQ(manager.GetLastCheckInTime(key), 0.0);
        manager.UpdateLastCheckInTime(key, CheckIn);
        EXPECT_EQ(manager.GetLastCheckInTime(key), CheckIn);
        EXPECT_EQ(LogMessages().back(), "新建房间" + key);
    }
    EXPECT_EQ(LogMessages().size(), std::size(keys));
    EXPECT_EQ(TInspector(DatabasePath).Rows("select count(*) from T_Room"),
              std::vector<std::string>{"4"});
}

TEST_F(RecordDatabase, RejectedInsertChangesNothingAndLogsOneLine) {
    MakeDatabase();
    TDoorlockRecordManager manager(DatabasePath, Log);
    manager.AddRoom("001101", CheckIn);
    const std::vector<std::string> before = LogMessages();

    manager.AddRoom("001101", Later); // the room is there already
    const std::vector<std::string> after = LogMessages();
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.back().find("新建房间"), std::string::npos) << after.back();
    EXPECT_NE(after.back().find("UNIQUE"), std::string::npos) << after.back();
    EXPECT_EQ(TInspector(DatabasePath).Rows("select * from T_Room"),
              std::vector<std::string>{"001101|2008-06-20 14:30:00.123"});
}

TEST_F(RecordDatabase, IssueCardRecordStoresEveryColumn) {
    MakeDatabase();
    TDoorlockRecordManager manager(DatabasePath, Log);
    const TDateTime checkOut = EncodeDateTime(2008, 6, 22, 12, 0);
    const TDateTime operating = EncodeDateTime(2008, 6, 20, 14, 31, 5, 9);
    manager.AddIssueCardRecord("R0001", "1235", "001101", 1, CheckIn, CheckIn, checkOut, true,
                               "Test Guest", operating);
    manager.AddIssueCardRecord("R0002", "1236", "001101", 1, CheckIn, CheckIn, checkOut, false,
                               "", operating);
    EXPECT_TRUE(LogMessages().empty());
    EXPECT_EQ(TInspector(DatabasePath)
                  .Rows("select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
                        "CheckInTime, CheckOutTime, IsCopy, GuestName, OpratingTime, "
                        "typeof(IsCopy), typeof(CardType) from T_IssueCardRecord"),
              (std::vector<std::string>{
                  "R0001|1235|001101|1|2008-06-20 14:30:00.123|2008-06-20 14:30:00.123|"
                  "2008-06-22 12:00:00.000|1|Test Guest|2008-06-20 14:31:05.009|integer|integer",
                  "R0002|1236|001101|1|2008-06-20 14:30:00.123|2008-06-20 14:30:00.123|"
                  "2008-06-22 12:00:00.000|0||2008-06-20 14:31:05.009|integer|integer"}));
}

TEST_F(RecordDatabase, MissingFileLoggedThenRecovered) {
    TDoorlockRecordManager manager(DatabasePath, Log);
    ASSERT_EQ(LogMessages().size(), 1u);
    EXPECT_NE(LogMessages()[0].find(DatabasePath), std::string::npos) << LogMessages()[0];
    // The service never makes the file.
    EXPECT_FALSE(FileExists(DatabasePath));

    EXPECT_EQ(manager.GetLastCheckInTime("001101"), 0.0);
    manager.UpdateLastCheckInTime("001101", CheckIn);
    manager.AddIssueCardRecord("R", "2", "001101", 1, CheckIn, CheckIn, Later, false, "", Later);
    EXPECT_EQ(LogMessages().size(), 4u); // one line for each operation, no new room
    EXPECT_FALSE(FileExists(DatabasePath));

    MakeDatabase();
    manager.UpdateLastCheckInTime("001101", CheckIn);
    EXPECT_EQ(LogMessages().back(), "新建房间001101");
    EXPECT_EQ(LogMessages().size(), 5u);
    EXPECT_EQ(manager.GetLastCheckInTime("001101"), CheckIn);
}

TEST_F(RecordDatabase, FileThatIsNoDatabaseLoggedAtStart) {
    WriteWholeFile(DatabasePath, "plain text, not a database");
    TDoorlockRecordManager manager(DatabasePath, Log);
    ASSERT_EQ(LogMessages().size(), 1u);
    EXPECT_NE(LogMessages()[0].find("not a database"), std::string::npos) << LogMessages()[0];
    EXPECT_EQ(manager.GetLastCheckInTime("001101"), 0.0);
    EXPECT_EQ(LogMessages().size(), 2u);
}

TEST_F(RecordDatabase, MissingTablesLoggedAsOneLineEach) {
    MakeDatabase();
    TInspector(DatabasePath).Exec("drop table T_Room; drop table T_IssueCardRecord;");
    TDoorlockRecordManager manager(DatabasePath, Log);
    EXPECT_TRUE(LogMessages().empty());

    EXPECT_EQ(manager.GetLastCheckInTime("001101"), 0.0);
    ASSERT_EQ(LogMessages().size(), 1u);
    EXPECT_NE(LogMessages()[0].find("no such table"), std::string::npos);
    // A failed update does not go on to insert the room.
    manager.UpdateLastCheckInTime("001101", CheckIn);
    EXPECT_EQ(LogMessages().size(), 2u);
    manager.AddIssueCardRecord("R", "2", "001101", 1, CheckIn, CheckIn, Later, false, "", Later);
    EXPECT_EQ(LogMessages().size(), 3u);
    for (const std::string &message : LogMessages())
        EXPECT_NE(message.find("no such table"), std::string::npos) << message;
}

TEST_F(RecordDatabase, UnreadableStoredTimeLoggedAndZero) {
    MakeDatabase();
    TInspector(DatabasePath)
        .Exec("insert into T_Room values('a', 'yesterday'); insert into T_Room values('b', null);"
              "insert into T_Room values('c', 39619.75);");
    TDoorlockRecordManager manager(DatabasePath, Log);
    EXPECT_EQ(manager.GetLastCheckInTime("a"), 0.0);
    EXPECT_EQ(LogMessages().size(), 1u);
    EXPECT_NE(LogMessages()[0].find("'yesterday' is not a valid date and time"),
              std::string::npos);
    EXPECT_EQ(manager.GetLastCheckInTime("b"), 0.0);
    EXPECT_EQ(LogMessages().size(), 1u);
    EXPECT_EQ(manager.GetLastCheckInTime("c"), 0.0);
    EXPECT_EQ(LogMessages().size(), 2u);
}

TEST_F(RecordDatabase, BusyDatabaseIsWaitedFor) {
    MakeDatabase();
    TDoorlockRecordManager manager(DatabasePath, Log);
    TInspector other(DatabasePath);
    other.Exec("begin exclusive");
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.Exec("commit");
    });
    manager.AddRoom("001101", CheckIn);
    release.join();
    EXPECT_EQ(LogMessages(), std::vector<std::string>{"新建房间001101"});
}

TEST_F(RecordDatabase, OperationsFromManyThreadsDoNotOverlap) {
    MakeDatabase();
    TDoorlockRecordManager manager(DatabasePath, Log);
    constexpr int Threads = 4, PerThread = 20;
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t)
        workers.emplace_back([&manager, t] {
            for (int i = 0; i < PerThread; ++i) {
                const std::string room = std::to_string(t) + "01" + std::to_string(100 + i);
                manager.UpdateLastCheckInTime(room, CheckIn);
                manager.AddIssueCardRecord("R", std::to_string(i), room, 1, CheckIn, CheckIn,
                                           Later, false, "", Later);
            }
        });
    for (std::thread &worker : workers)
        worker.join();
    // Each room new once; no error lines.
    EXPECT_EQ(LogMessages().size(), size_t{Threads * PerThread});
    for (const std::string &message : LogMessages())
        EXPECT_EQ(message.rfind("新建房间", 0), 0u) << message;
    TInspector db(DatabasePath);
    EXPECT_EQ(db.Rows("select count(*) from T_Room"), std::vector<std::string>{"80"});
    EXPECT_EQ(db.Rows("select count(*) from T_IssueCardRecord"), std::vector<std::string>{"80"});
}

TEST(ClientMdb, MadeWithBothTablesAndTheirColumns) {
    TTempDir dir;
    CreateClientMdb(dir / "Client.mdb");
    EXPECT_THROW(CreateClientMdb(dir / "Client.mdb"), std::runtime_error);
    for (const std::string &path : {dir / "Client.mdb", std::string(BUILT_CLIENT_MDB)}) {
        SCOPED_TRACE(path);
        TInspector db(path);
        EXPECT_EQ(db.Rows("select group_concat(name, ',') from pragma_table_info('T_Room')"),
                  std::vector<std::string>{"RoomNo,LastCheckInTime"});
        EXPECT_EQ(db.Rows("select group_concat(name, ',') from "
                          "pragma_table_info('T_IssueCardRecord')"),
                  std::vector<std::string>{"RegisterId,CardNo,RoomNo,CardType,LastCheckInTime,"
                                           "CheckInTime,CheckOutTime,IsCopy,GuestName,"
                                           "OpratingTime"});
    }
}

} // namespace
