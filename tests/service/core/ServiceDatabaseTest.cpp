// Client.mdb on the way of IssueCard, end to end: the copy-card and
// first-card paths of the rooms' check-in times, and the record of every
// issue, failed writes included.
#include "ServiceFixture.h"

#include <algorithm>

namespace {

std::string Stored(TDateTime value) { return FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value); }

} // namespace

TEST_F(ServiceFixture, CopyCardForANewRoomThenAFirstCard)
{
    StartService({"HotelID=1343", "CurrentCardNo=1234", "UseNativeDoorlockDb=1",
                  "SaveDoorlockRecord=1", "DelayMinutes=30", "DelayMinutes2=30"});
    Sim->PutCard(ErasedCard);
    TIssueCardFields copy;
    copy.IsCopy = "True";

    // The copy: the room is new, so it is added with now minus 30 minutes,
    // before the card is written, and the write does not move it.
    const std::string before = Stored(IncMinute(Now(), -30));
    EXPECT_EQ(Send(IssueCardRequest(copy)).Received, DoorResponse("200", "发卡成功", 1235));
    const std::string after = Stored(IncMinute(Now(), -30));
    auto rooms = Rows("select RoomNo, LastCheckInTime from T_Room");
    ASSERT_EQ(rooms.size(), 1u);
    EXPECT_EQ(rooms[0][0], "001101");
    const std::string added = rooms[0][1];
    EXPECT_GE(added, before);
    EXPECT_LE(added, after);
    const auto log = Log();
    const auto newRoom = std::find(log.begin(), log.end(), "新建房间001101");
    const auto portLine = std::find(log.begin(), log.end(), "串口COM1打开成功");
    EXPECT_LT(newRoom, portLine);

    // The first card of a new stay: now minus 30 minutes again, stored after
    // the write.
    EXPECT_EQ(Send(IssueCardRequest()).Received, DoorResponse("200", "发卡成功", 1236));
    rooms = Rows("select RoomNo, LastCheckInTime from T_Room");
    ASSERT_EQ(rooms.size(), 1u);
    EXPECT_GE(rooms[0][1], added);

    const std::string checkIn = Stored(EncodeDateTime(2008, 6, 20, 14, 0));
    const std::string checkOut = Stored(EncodeDateTime(2008, 6, 22, 12, 30));
    const auto records = Rows("select RegisterId, CardNo, RoomNo, CardType, LastCheckInTime, "
                              "CheckInTime, CheckOutTime, IsCopy, GuestName from T_IssueCardRecord "
                              "order by rowid");
    EXPECT_EQ(records, (std::vector<std::vector<std::string>>{
                           {"R0001", "1235", "001101", "1", added, checkIn, checkOut, "1", "Test Guest"},
                           {"R0001", "1236", "001101", "1", rooms[0][1], checkIn, checkOut, "0",
                            "Test Guest"}}));
    // Check-out plus 30 minutes is on the card: 08-06 22 12:30.
    ASSERT_TRUE(Sim->Card().has_value());
    EXPECT_EQ((*Sim->Card())[10], (30 / 8) << 5 | 22);
    EXPECT_EQ((*Sim->Card())[11], 12 << 3 | 30 % 8);
}

TEST_F(ServiceFixture, AFailedWriteIsStillRecordedWithItsCardNumber)
{
    StartService({"HotelID=1343", "CurrentCardNo=1234", "UseNativeDoorlockDb=1",
                  "SaveDoorlockRecord=1"});
    Sim->RemoveCard();
    EXPECT_EQ(Send(IssueCardRequest()).Received, DoorResponse("500", "发卡失败", 1235));
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1235");
    const auto log = Log();
    EXPECT_TRUE(Contains(log, "写卡失败, 错误代码 r=-101"));
    EXPECT_TRUE(Contains(log, "房间(101)发卡失败"));
    // A first card not written leaves the room unknown.
    EXPECT_TRUE(Rows("select * from T_Room").empty());
    EXPECT_EQ(Rows("select CardNo, RoomNo, IsCopy from T_IssueCardRecord"),
              (std::vector<std::vector<std::string>>{{"1235", "001101", "0"}}));
}
