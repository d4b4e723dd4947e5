// Requests that arrive together: each gets its own card number and the
// encoder never sees two exchanges at once.
#include "ServiceFixture.h"

#include <set>
#include <thread>

TEST_F(ServiceFixture, EightIssueCardRequestsAtOnce)
{
    StartService();
    Sim->PutCard(ErasedCard);
    constexpr int count = 8;
    std::vector<TExchange> exchanges(count);
    std::vector<std::thread> clients;
    for (int i = 0; i < count; ++i) {
        clients.emplace_back([&, i] {
            TIssueCardFields fields;
            fields.RoomNo = std::to_string(101 + i);
            exchanges[i] = Exchange(Port(), Framed(IssueCardRequest(fields)), std::chrono::seconds(60));
        });
    }
    for (auto &client : clients)
        client.join();

    std::set<std::string> cardNumbers;
    for (const TExchange &exchange : exchanges) {
        EXPECT_TRUE(exchange.Closed);
        EXPECT_EQ(AnswerField(exchange.Received, "ResultCode"), "200") << exchange.Received;
        cardNumbers.insert(AnswerField(exchange.Received, "CardNo"));
    }
    EXPECT_EQ(cardNumbers, (std::set<std::string>{"1235", "1236", "1237", "1238", "1239", "1240",
                                                  "1241", "1242"}));
    EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1242");
    EXPECT_EQ(Sim->OverlapCount(), 0);
    EXPECT_EQ(Sim->BadCheckCount(), 0);
    // Each request's lines stand together: its lock lines come between its
    // "执行操作->" and its "完成一次操作".
    const auto log = Log();
    int open = 0;
    for (const std::string &line : log) {
        if (line == "执行操作->") {
            EXPECT_EQ(open++, 0);
        } else if (line == "完成一次操作") {
            EXPECT_EQ(--open, 0);
        }
    }
}
