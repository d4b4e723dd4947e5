// The TCP listener with handlers of its own: a failing handler costs only its
// connection, and stopping waits for the request being handled and closes
// every connection.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <stdexcept>
#include <thread>

#include "InterfaceListenerUnit.h"
#include "ServiceTestSupport.h"

namespace {

std::optional<std::string> Handle(const std::string &request)
{
    if (request == "runtime error")
        throw std::runtime_error("handler failed");
    if (request == "bad alloc")
        throw std::bad_alloc();
    if (request == "not an exception class")
        throw 42;
    if (request == "no answer")
        return std::nullopt;
    return "answer to " + request + std::string(1, '\0');
}

} // namespace

TEST(InterfaceListener, AFailingHandlerEndsOnlyItsConnection)
{
    TInterfaceListener listener(Handle);
    listener.Start(0);
    struct {
        const char *request;
        std::string received;
    } cases[] = {
        {"runtime error", ""},
        {"bad alloc", ""},
        {"not an exception class", ""},
        {"no answer", ""},
        {"ReadCard", Framed("answer to ReadCard")},
    };
    for (int round = 0; round < 2; ++round) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.request) + ", round " + std::to_string(round));
            const TExchange exchange = Exchange(listener.Port(), Framed(c.request));
            EXPECT_TRUE(exchange.Closed);
            EXPECT_EQ(exchange.Received, c.received);
        }
    }
    EXPECT_TRUE(listener.Active());
}

TEST(InterfaceListener, StopWaitsForTheRequestBeingHandledAndClosesEveryConnection)
{
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> finished{false};
    TInterfaceListener listener([&](const std::string &) -> std::optional<std::string> {
        entered.set_value();
        released.wait();
        finished = true;
        return Framed("late");
    });
    listener.Start(0);
    const uint16_t port = listener.Port();

    TClientSocket busy(port);
    busy.Send(Framed("slow"));
    entered.get_future().wait();
    TClientSocket idle(port);
    idle.Send("<DoorRequest");

    // The handler is let go only once stopping has closed the idle
    // connection; Stop must not return before the handler has finished.
    TExchange idleSaw;
    std::thread releaser([&] {
        idleSaw = idle.Finish(std::chrono::seconds(10));
        // Time for a Stop that does not wait to return first.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        release.set_value();
    });
    listener.Stop();
    EXPECT_TRUE(finished);
    releaser.join();
    EXPECT_TRUE(idleSaw.Closed);

    EXPECT_FALSE(listener.Active());
    EXPECT_TRUE(busy.Finish(std::chrono::seconds(5)).Closed);
    EXPECT_FALSE(TClientSocket(port).Connected());
}
