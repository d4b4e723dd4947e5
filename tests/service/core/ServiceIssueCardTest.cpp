// The hotel's worked example, byte for byte, through a real TCP connection
// and the encoder simulator.
#include "ServiceFixture.h"

TEST_F(ServiceFixture, WorkedExampleOfAGuestCard)
{
    StartService();
    Sim->PutCard(ErasedCard);
    const std::string request =
        "<DoorRequest type=\"IssueCard\"><RequestID>77</RequestID><RegisterId>R0001</RegisterId>"
        "<RoomBuildingCode>0</RoomBuildingCode><RoomFloorCode>01</RoomFloorCode><RoomNo>101"
        "</RoomNo><GuestName>Test Guest</GuestName><CheckInDate>2008-06-20</CheckInDate>"
        "<CheckInTime>14:30:00</CheckInTime><CheckOutDate>2008-06-22</CheckOutDate>"
        "<CheckOutTime>12:00:00</CheckOutTime><IsCopy>False</IsCopy></DoorRequest>";

    const TExchange exchange = Exchange(Port(), request + std::string(1, '\0'));

    const std::string answer = "<DoorResponse><RequestID></RequestID><ResultCode>200</ResultCode>"
                               "<ResultMessage>发卡成功</ResultMessage><CardNo>1235</CardNo>"
                               "</DoorResponse>";
    EXPECT_EQ(exchange.Received, answer + std::string(1, '\0'));
    EXPECT_TRUE(exchange.Closed);
    // Card 1235 (00 04 D3), guest card 0x60, hotel 1343 (05 3F), lock 001101
    // (room 101 = 0x65, floor 1 * 4 + building 0), generation 1, check-out
    // 08-06 22 12:00 (86, 16, 60).
    EXPECT_EQ(Sim->Card(), (TRecord{0x00, 0x04, 0xD3, 0x60, 0x05, 0x3F, 0x65, 0x04, 0x01, 0x86,
                                    0x16, 0x60}));
    EXPECT_EQ(Sim->OverlapCount(), 0);
    const std::vector<std::string> log = {"收到消息: ", request, "执行操作->", "串口COM1打开成功",
                                          "写卡成功,卡号为:1235", "房间(101)发卡成功",
                                          "完成一次操作"};
    EXPECT_EQ(Log(), log);
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1235");
    EXPECT_EQ(Shown, std::vector<std::string>{"门锁接口监听服务器已经启动..."});
}
