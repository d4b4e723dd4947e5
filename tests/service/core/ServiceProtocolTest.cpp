// The request protocol over TCP: framing, the type attribute, field
// positions, requests that end without an answer, the listener's handling of
// idle connections and of a missing lock driver.
#include "ServiceFixture.h"

#include <algorithm>
#include <thread>

#include "BaseDoorlockUnit.h"
#include "DoorlockMessageHandlerUnit.h"
#include "InterfaceListenerUnit.h"

namespace {

const std::string ReadRequest = R"(<DoorRequest type="ReadCard"/>)";

} // namespace

TEST_F(ServiceFixture, TypeAttributeInAnyCaseWithBlanksButTheValueExactly)
{
    StartService();
    Sim->PutCard(ErasedCard);
    struct {
        std::string request;
        bool answered;
    } cases[] = {
        {R"(<DoorRequest TYPE="  ReadCard	"/>)", true},
        {R"(<DoorRequest Type="ReadCard"></DoorRequest>)", true},
        {R"(<DoorRequest type="readcard"/>)", false},
        {R"(<DoorRequest type="issuecard"><a/><b/><c/><d/><e/><f/><g/><h/><i/><j/><k/></DoorRequest>)", false},
        {R"(<DoorRequest/>)", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.request);
        const TExchange exchange = Send(c.request);
        EXPECT_TRUE(exchange.Closed);
        EXPECT_EQ(exchange.Received,
                  c.answered ? DoorResponse("200", "读卡成功", 16777215) : std::string());
    }
    const auto log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "完成一次操作"), std::size(cases));
    EXPECT_EQ(WriteFrames(), 0u);
}

TEST_F(ServiceFixture, ChildrenAreReadByPositionWhateverTheirNames)
{
    // LLock on: the guest card may open a double-locked door (kind 0x68).
    StartService({"HotelID=1343", "CurrentCardNo=1234", "LLock=1"});
    Sim->PutCard(ErasedCard);
    // The comment is child 0, in place of the request id; the rest has names
    // of its own, blanks between the elements and a check-out at 09:05.
    const std::string request = "<Req type=\" IssueCard \">\r\n  <!--id-->\r\n  <a>R1</a>\r\n"
                                "  <b>1</b><c>02</c><d>003</d>\t<e>G</e>\n<f>2008-06-20</f><g>14:30</g>"
                                "<h>2008-06-22</h><i>09:05</i><j>0</j>\n</Req>";
    const TExchange exchange = Send(request);
    EXPECT_EQ(exchange.Received, DoorResponse("200", "发卡成功", 1235));
    // Lock 102003: room 3, floor 2 * 4 + building 1; check-out 0806220905.
    EXPECT_EQ(Sim->Card(), (TRecord{0x00, 0x04, 0xD3, 0x68, 0x05, 0x3F, 0x03, 0x09, 0x01, 0x86,
                                    0x16, 0x4D}));
    EXPECT_TRUE(Contains(Log(), "房间(003)发卡成功"));
}

TEST_F(ServiceFixture, UnreadableRequestsAreNotAnsweredAndUseNoCardNumber)
{
    StartService();
    Sim->PutCard(ErasedCard);
    std::string tooFew = IssueCardRequest();
    tooFew.erase(tooFew.find("<IsCopy>"), tooFew.find("</DoorRequest>") - tooFew.find("<IsCopy>"));
    TIssueCardFields badDate;
    badDate.CheckInDate = "2008/06/20x";
    struct {
        const char *name;
        std::string bytes;
        bool documentRead;
    } cases[] = {
        {"ten children", Framed(tooFew), true},
        {"unreadable date", Framed(IssueCardRequest(badDate)), true},
        {"malformed UTF-8", Framed("<DoorRequest type=\"ReadCard\">\xC3\x28</DoorRequest>"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = Log().size();
        const TExchange exchange = Exchange(Port(), c.bytes);
        EXPECT_TRUE(exchange.Closed);
        EXPECT_EQ(exchange.Received, "");
        const auto log = Log();
        const std::vector<std::string> added(log.begin() + static_cast<long>(before), log.end());
        ASSERT_GE(added.size(), 2u);
        EXPECT_EQ(added.front(), "收到消息: ");
        EXPECT_EQ(Contains(added, "执行操作->"), c.documentRead);
        EXPECT_FALSE(Contains(added, "完成一次操作"));
    }
    EXPECT_EQ(Sim->Frames().size(), 0u);
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1234");
}

TEST_F(ServiceFixture, EmptyHotelIdEndsTheRequestBeforeACardNumberIsUsed)
{
    StartService({"HotelID=", "CurrentCardNo=1234"});
    Sim->PutCard(ErasedCard);
    const TExchange exchange = Send(IssueCardRequest());
    EXPECT_TRUE(exchange.Closed);
    EXPECT_EQ(exchange.Received, "");
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1234");
    EXPECT_EQ(WriteFrames(), 0u);
    EXPECT_EQ(Log(), (std::vector<std::string>{"收到消息: ", IssueCardRequest(), "执行操作->",
                                               "串口COM1打开成功"}));
    // The port was let go: the next request opens it again.
    EXPECT_EQ(Send(ReadRequest).Received, DoorResponse("200", "读卡成功", 16777215));
}

TEST_F(ServiceFixture, FramingLimitsAndBytesAfterTheZero)
{
    StartService();
    Sim->PutCard(ErasedCard);

    // One byte over the limit: closed at once, nothing handled or logged.
    TExchange exchange = Exchange(Port(), std::string(MaxRequestBytes + 1, ' '));
    EXPECT_TRUE(exchange.Closed);
    EXPECT_EQ(exchange.Received, "");

    // No 0x00: the service waits as long as the client stays; when the client
    // stops sending, the connection closes unanswered.
    TClientSocket client(Port());
    client.Send(ReadRequest);
    exchange = client.Finish(std::chrono::milliseconds(300));
    EXPECT_FALSE(exchange.Closed);
    client.ShutdownSending();
    exchange = client.Finish(std::chrono::seconds(5));
    EXPECT_TRUE(exchange.Closed);
    EXPECT_EQ(exchange.Received, "");
    EXPECT_TRUE(Log().empty());

    // Exactly the limit is a request (of no known type: no answer).
    std::string padded = R"(<DoorRequest type="Ping">)";
    padded += std::string(MaxRequestBytes - padded.size() - 14, ' ') + "</DoorRequest>";
    ASSERT_EQ(padded.size(), MaxRequestBytes);
    exchange = Send(padded);
    EXPECT_TRUE(exchange.Closed);
    EXPECT_EQ(exchange.Received, "");
    EXPECT_EQ(Log().back(), "完成一次操作");

    // Only the first request of a connection is read.
    exchange = Exchange(Port(), Framed(ReadRequest) + Framed(R"(<DoorRequest type="EraseCard"/>)"));
    EXPECT_EQ(exchange.Received, DoorResponse("200", "读卡成功", 16777215));
    EXPECT_TRUE(exchange.Closed);
    EXPECT_EQ(WriteFrames(), 0u);
}

TEST_F(ServiceFixture, IdleConnectionsDoNotHoldUpOthers)
{
    StartService();
    Sim->PutCard(ErasedCard);
    std::vector<std::unique_ptr<TClientSocket>> idle;
    for (int i = 0; i < 50; ++i) {
        idle.push_back(std::make_unique<TClientSocket>(Port()));
        idle.back()->Send("<DoorRequest type=");
    }
    EXPECT_EQ(Send(ReadRequest).Received, DoorResponse("200", "读卡成功", 16777215));
    // Stopping closes them all.
    Service->StopListener([this](const std::string &line) { Shown.push_back(line); });
    for (auto &client : idle)
        EXPECT_TRUE(client->Finish(std::chrono::seconds(5)).Closed);
    EXPECT_EQ(Shown, (std::vector<std::string>{"门锁接口监听服务器已经启动...",
                                               "接口监听服务器已经停止。"}));
    EXPECT_FALSE(Service->Listening());
}

TEST_F(ServiceFixture, WithoutALockDriverEveryOperationFails)
{
    StartService();
    Sim->PutCard(ErasedCard);
    SetCurrentDoorlock(nullptr);
    EXPECT_EQ(Send(IssueCardRequest()).Received, DoorResponse("500", "发卡失败", 0));
    EXPECT_EQ(Send(ReadRequest).Received, DoorResponse("500", "读卡失败", 0));
    EXPECT_EQ(Send(R"(<DoorRequest type="EraseCard"/>)").Received,
              DoorResponse("500", "注销卡失败 ", 0));
    EXPECT_EQ(Sim->Frames().size(), 0u);
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1234");
}

TEST_F(ServiceFixture, APortInUseIsReportedAfterTheStartLine)
{
    TInterfaceListener holder([](const std::string &) { return std::nullopt; });
    holder.Start(0);
    EXPECT_THROW(StartService({"HotelID=1"}, {"DoorlockPortNo=" + std::to_string(holder.Port())}),
                 std::runtime_error);
    EXPECT_EQ(Shown, std::vector<std::string>{"门锁接口监听服务器已经启动..."});
    EXPECT_FALSE(Service->Listening());
}

TEST_F(ServiceFixture, WritesTheEncoderRefusesStillUseUpTheirNumber)
{
    StartService({"HotelID=1343", "CurrentCardNo=16777213"});
    Sim->PutCard(ErasedCard);
    // After 16777213 the counter gives 0, which no card may carry.
    EXPECT_EQ(Send(IssueCardRequest()).Received, DoorResponse("500", "发卡失败", 0));
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "0");
    // A check-out after 2015 cannot be put on a card.
    TIssueCardFields late;
    late.CheckOutDate = "2016-01-01";
    EXPECT_EQ(Send(IssueCardRequest(late)).Received, DoorResponse("500", "发卡失败", 1));
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1");
    const auto log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "写卡失败, 错误代码 r=0"), 2);
    EXPECT_EQ(Sim->Frames().size(), 0u); // refused before the encoder is asked
}
