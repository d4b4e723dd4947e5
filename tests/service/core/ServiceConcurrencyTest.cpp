// Requests that arrive together: each gets its own card number and the
// encoder never sees two exchanges at once.
#include "ServiceFixture.h"

#include "BaseDoorlockUnit.h"
#include "NorvikDoorLockUnit.h"

#include <atomic>
#include <mutex>
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

namespace {
// Counts the card reads that reach the lock driver.
class TCountingDoorlock : public TBaseDoorlock {
public:
    bool ReadCard(int64_t &cardNo) override
    {
        ++Reads;
        cardNo = 1;
        return true;
    }
    std::atomic<int> Reads{0};
};
} // namespace

TEST_F(ServiceFixture, RequestsStillWaitingForTheirTurnWhenTheServiceStopsAreNotHandled)
{
    StartService();
    TCountingDoorlock lock;
    SetCurrentDoorlock(&lock);
    // A card operation from a window holds the encoder while two requests
    // arrive; the service is stopped before it lets go.
    std::unique_lock<std::mutex> window(Service->CardOperationLock());
    TClientSocket first(Port()), second(Port());
    first.Send(Framed(R"(<DoorRequest type="ReadCard"/>)"));
    second.Send(Framed(R"(<DoorRequest type="ReadCard"/>)"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // both wait for the lock

    std::thread stopper([this] { Service->StopListener([](const std::string &) {}); });
    // Stopping closes the connections first; then the window lets go.
    EXPECT_TRUE(first.Finish(std::chrono::seconds(10)).Closed);
    EXPECT_TRUE(second.Finish(std::chrono::seconds(10)).Closed);
    window.unlock();
    stopper.join();

    EXPECT_EQ(lock.Reads, 0);
    EXPECT_TRUE(Log().empty());
    EXPECT_FALSE(Service->Listening());
    SetCurrentDoorlock(&Service->NorvikDoorLock());
}
