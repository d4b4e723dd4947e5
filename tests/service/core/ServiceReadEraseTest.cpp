// ReadCard and EraseCard end to end: answers, the card on the simulator and
// the log lines of the lock driver and the handler.
#include "ServiceFixture.h"

#include <unistd.h>

namespace {
// The guest card of hotel 1343, card 200001, lock 105001.
constexpr TRecord GuestCard200001{0x03, 0x0D, 0x41, 0x68, 0x05, 0x3F,
                                  0x01, 0x15, 0x03, 0x8C, 0xFF, 0x73};
const std::string ReadRequest = R"(<DoorRequest type="ReadCard"><RequestID>5</RequestID></DoorRequest>)";
const std::string EraseRequest = R"(<DoorRequest type="EraseCard"/>)";
} // namespace

TEST_F(ServiceFixture, ReadCardAnswersTheCardNumberOrFailure)
{
    StartService();
    struct {
        const char *name;
        std::optional<TRecord> card; // nothing: no card on the encoder
        std::string answer;
        std::string driverLine, handlerLine;
    } cases[] = {
        {"guest card", GuestCard200001, DoorResponse("200", "读卡成功", 200001),
         "读卡成功,卡号为:200001", "读卡成功，卡号为：200001"},
        {"erased card", ErasedCard, DoorResponse("200", "读卡成功", 16777215),
         "读卡成功,卡号为:16777215", "读卡成功，卡号为：16777215"},
        {"no card", std::nullopt, DoorResponse("500", "读卡失败", 0), "读卡失败, 错误代码 r=0",
         "读卡失败"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.card)
            Sim->PutCard(*c.card);
        else
            Sim->RemoveCard();
        const size_t before = Log().size();
        const TExchange exchange = Send(ReadRequest);
        EXPECT_EQ(exchange.Received, c.answer);
        EXPECT_TRUE(exchange.Closed);
        const auto log = Log();
        const std::vector<std::string> added(log.begin() + static_cast<long>(before), log.end());
        EXPECT_EQ(added, (std::vector<std::string>{"收到消息: ", ReadRequest, "执行操作->",
                                                   "串口COM1打开成功", c.driverLine, c.handlerLine,
                                                   "完成一次操作"}));
    }
}

TEST_F(ServiceFixture, ReadCardWhenThePortCannotBeOpened)
{
    StartService();
    setenv("EN24_COM1", (Dir.Path() + "no-such-port").c_str(), 1);
    const TExchange exchange = Send(ReadRequest);
    EXPECT_EQ(exchange.Received, DoorResponse("500", "读卡失败", 0));
    const auto log = Log();
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[3], "串口COM1打开失败");
    EXPECT_EQ(log[4].rfind("读卡失败, 错误代码 r=-", 0), 0u) << log[4];
    EXPECT_EQ(log[5], "读卡失败");
}

TEST_F(ServiceFixture, EraseCardSucceedsWithACardAndFailsWithout)
{
    StartService();
    Sim->RemoveCard();
    TExchange exchange = Send(EraseRequest);
    EXPECT_EQ(exchange.Received, DoorResponse("500", "注销卡失败 ", 0));
    EXPECT_TRUE(exchange.Closed);

    Sim->PutCard(GuestCard200001);
    exchange = Send(EraseRequest);
    EXPECT_EQ(exchange.Received, DoorResponse("200", "注销卡成功 ", 0));
    EXPECT_TRUE(exchange.Closed);
    EXPECT_EQ(Sim->Card(), ErasedCard);

    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "收到消息: ", EraseRequest, "执行操作->", "串口COM1打开成功",
                         "注销卡片失败 r=-101", "注销卡失败", "完成一次操作",
                         "收到消息: ", EraseRequest, "执行操作->", "串口COM1打开成功",
                         "注销卡片成功", "注销卡成功", "完成一次操作"}));
}
