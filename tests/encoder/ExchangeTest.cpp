#include "Exchange.h"

#include "EN24_C1.h"
#include "FakePort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using en24::testing::Bytes;
using en24::testing::CardRecord;
using en24::testing::FakePort;
using en24::testing::Hex;
using en24::testing::ReadReply;

namespace {

const CardRecord kGuestRecord{0x03, 0x0D, 0x41, 0x68, 0x05, 0x3F, 0x01, 0x15, 0x03, 0x8C, 0xFF, 0x73};
const char kUntouched[] = "untouched";

// A read text buffer with room to spare, so a write past the end shows.
struct ReadText {
    char text[64];
    ReadText() { std::snprintf(text, sizeof text, "%s", kUntouched); }
    std::string str() const { return text; }
};

// ---- Successful exchanges: the exact order of calls and waits ----------

TEST(ReadExchange, ReadCardSendsFrameAwaitsSyncAndHandsBackWholeReply)
{
    FakePort port;
    const Bytes reply = ReadReply(0x01, kGuestRecord);
    port.Answer(reply);
    ReadText out;

    EXPECT_EQ(en24::ReadCard(port, port.clock, out.text), EN24_OK);
    EXPECT_EQ(port.Trace(),
              "read1:0 purge-out purge-in write:AA01E44F read1:1 sleep:200 read19:19 sleep:200");
    EXPECT_EQ(out.str(), Hex(reply));
    EXPECT_EQ(out.str().size(), 40u);
    // Pre-read and its time-out, then 200 + 200 ms: the pace of a read.
    EXPECT_EQ(port.clock.NowMs(), 410u);
}

TEST(ReadExchange, ReadCardSNReadsTwentyFourBytes)
{
    FakePort port;
    const Bytes reply = ReadReply(0x01, kGuestRecord, true);
    port.Answer(reply);
    ReadText out;

    EXPECT_EQ(en24::ReadCardSN(port, port.clock, out.text), EN24_OK);
    EXPECT_EQ(port.Trace(),
              "read1:0 purge-out purge-in write:AA0153F8 read1:1 sleep:200 read23:23 sleep:200");
    EXPECT_EQ(out.str(), Hex(reply));
    EXPECT_EQ(out.str().size(), 48u);
}

TEST(ReadExchange, ReplyWithoutCardDataIsStillSuccess)
{
    FakePort port;
    const Bytes reply = ReadReply(0x00, CardRecord{});
    port.Answer(reply);
    ReadText out;

    EXPECT_EQ(en24::ReadCard(port, port.clock, out.text), EN24_OK);
    EXPECT_EQ(out.str().substr(4, 2), "00");
}

TEST(WriteExchange, SendsRecordFrameThenWaitsTwoSecondsWithoutReadingAReply)
{
    FakePort port;
    port.Answer({0x55, 0x01}); // whatever the encoder says is left for the next purge

    EXPECT_EQ(en24::WriteRFData(port, port.clock, kGuestRecord.data()), EN24_OK);
    EXPECT_EQ(port.Trace(), "read1:0 purge-out purge-in write:AA0DEC030D4168053F0115038CFF7341 sleep:2000");
    EXPECT_EQ(port.clock.NowMs(), 2010u);
    EXPECT_EQ(port.Pending(), 2u);
}

TEST(Buzzer, WritesFrameAndReturnsAtOnce)
{
    FakePort port;
    EXPECT_EQ(en24::Buzzer(port, port.clock), EN24_OK);
    EXPECT_EQ(port.Trace(), "purge-out purge-in write:AA0280143C");
}

// ---- The wait for the sync byte ----------------------------------------

TEST(ReadExchange, NoReplyAfterTwoHundredPollsIsMinus99WithoutCleanUp)
{
    FakePort port;
    ReadText out;

    EXPECT_EQ(en24::ReadCard(port, port.clock, out.text), EN24_ERR_NO_REPLY);
    EXPECT_EQ(port.Trace(), "read1:0 purge-out purge-in write:AA01E44F read1:0*200");
    EXPECT_EQ(port.clock.NowMs(), 2010u);
    EXPECT_EQ(out.str(), kUntouched);
}

TEST(ReadExchange, SyncByteOnTheLastPollCounts)
{
    struct {
        int silentPolls;
        int32_t result;
    } cases[] = {{198, EN24_OK}, {199, EN24_OK}, {200, EN24_ERR_NO_REPLY}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.silentPolls);
        FakePort port;
        port.Answer(ReadReply(0x01, kGuestRecord), c.silentPolls);
        ReadText out;
        EXPECT_EQ(en24::ReadCard(port, port.clock, out.text), c.result);
        // The pre-read plus at most 200 polls.
        EXPECT_EQ(port.Reads(1), 1 + std::min(c.silentPolls + 1, 200));
    }
}

TEST(ReadExchange, NoiseBeforeSyncByteIsDropped)
{
    FakePort port;
    const Bytes reply = ReadReply(0x01, kGuestRecord);
    Bytes noisy{0x00, 0xAA, 0x13, 0xFF};
    noisy.insert(noisy.end(), reply.begin(), reply.end());
    port.Answer(noisy, 3);
    ReadText out;

    EXPECT_EQ(en24::ReadCard(port, port.clock, out.text), EN24_OK);
    EXPECT_EQ(out.str(), Hex(reply));
    EXPECT_EQ(port.Trace(), "read1:0 purge-out purge-in write:AA01E44F read1:0*3 read1:1*5 sleep:200 "
                            "read19:19 sleep:200");
}

TEST(ReadExchange, StaleInputIsPurgedBeforeTheFrameGoesOut)
{
    FakePort port;
    // Left over from an earlier exchange: a whole stale reply.
    port.Feed(ReadReply(0x01, CardRecord{}));
    const Bytes reply = ReadReply(0x01, kGuestRecord);
    port.Answer(reply);
    ReadText out;

    EXPECT_EQ(en24::ReadCard(port, port.clock, out.text), EN24_OK);
    EXPECT_EQ(out.str(), Hex(reply));
    EXPECT_EQ(port.Events().front().Text(), "read1:1"); // the pre-read dropped one byte
}

// ---- Failures: code, clean-up and sleep --------------------------------

struct FailureCase {
    const char *name;
    int failAt;        // which Read/Write call fails (1 = the first)
    bool andLater;     // every call after it fails too (the device went away)
    int silentPolls;   // empty polls before the reply
    int32_t result;
    const char *trace; // the whole sequence of calls
};

const FailureCase kReadFailures[] = {
    {"pre-read fails once and is retried", 1, false, 0, EN24_OK,
     "read1:-1 clear read1:0 purge-out purge-in write:AA01E44F read1:1 sleep:200 read19:19 sleep:200"},
    {"pre-read keeps failing", 1, true, 0, EN24_ERR_READ, "read1:-1 clear read1:-1 clear read1:-1 clear sleep:100"},
    {"frame write fails", 2, false, 0, EN24_ERR_WRITE, "read1:0 purge-out purge-in write!:AA01E44F clear sleep:200"},
    {"first poll fails", 3, false, 0, EN24_ERR_READ, "read1:0 purge-out purge-in write:AA01E44F read1:-1 clear sleep:100"},
    {"device hangs up while polling", 6, true, 10, EN24_ERR_READ,
     "read1:0 purge-out purge-in write:AA01E44F read1:0*3 read1:-1 clear sleep:100"},
    {"read of the rest fails", 4, false, 0, EN24_ERR_READ,
     "read1:0 purge-out purge-in write:AA01E44F read1:1 sleep:200 read19:-1 clear sleep:200"},
};

TEST(ReadExchange, EveryFailureReturnsItsCodeAfterItsCleanUp)
{
    for (const FailureCase &c : kReadFailures) {
        SCOPED_TRACE(c.name);
        FakePort port;
        port.Answer(ReadReply(0x01, kGuestRecord), c.silentPolls);
        port.FailIoCall(c.failAt, c.andLater);
        ReadText out;
        EXPECT_EQ(en24::ReadCard(port, port.clock, out.text), c.result);
        EXPECT_EQ(port.Trace(), c.trace);
        if (c.result != EN24_OK) {
            EXPECT_EQ(out.str(), kUntouched);
        }
    }
}

TEST(ReadExchange, ShortRestOfReplyIsAFailedRead)
{
    struct {
        bool withSerial;
        size_t bytesSent; // of the reply, sync byte included
        const char *tail;
    } cases[] = {
        {false, 1, "read19:0 clear sleep:200"},
        {false, 19, "read19:18 clear sleep:200"},
        {true, 20, "read23:19 clear sleep:200"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tail);
        FakePort port;
        Bytes reply = ReadReply(0x01, kGuestRecord, c.withSerial);
        reply.resize(c.bytesSent);
        port.Answer(reply);
        ReadText out;
        const int32_t result = c.withSerial ? en24::ReadCardSN(port, port.clock, out.text)
                                            : en24::ReadCard(port, port.clock, out.text);
        EXPECT_EQ(result, EN24_ERR_READ);
        const std::string trace = port.Trace();
        EXPECT_EQ(trace.substr(trace.size() - std::string(c.tail).size()), c.tail);
        EXPECT_EQ(out.str(), kUntouched);
    }
}

const FailureCase kWriteFailures[] = {
    {"pre-read keeps failing", 1, true, 0, EN24_ERR_READ, "read1:-1 clear read1:-1 clear read1:-1 clear sleep:100"},
    {"frame write fails", 2, false, 0, EN24_ERR_WRITE,
     "read1:0 purge-out purge-in write!:AA0DEC030D4168053F0115038CFF7341 clear sleep:200"},
};

TEST(WriteExchange, EveryFailureReturnsItsCodeAfterItsCleanUp)
{
    for (const FailureCase &c : kWriteFailures) {
        SCOPED_TRACE(c.name);
        FakePort port;
        port.FailIoCall(c.failAt, c.andLater);
        EXPECT_EQ(en24::WriteRFData(port, port.clock, kGuestRecord.data()), c.result);
        EXPECT_EQ(port.Trace(), c.trace);
    }
}

TEST(Buzzer, FailedWriteClearsErrorsAndWaits)
{
    FakePort port;
    port.FailIoCall(1);
    EXPECT_EQ(en24::Buzzer(port, port.clock), EN24_ERR_WRITE);
    EXPECT_EQ(port.Trace(), "purge-out purge-in write!:AA0280143C clear sleep:200");
}

// Fail the 1st, 2nd, 3rd... I/O call of each exchange until one runs
// through: every failing run must end in a failure code, after clearing the
// port's errors and a sleep, and leave the caller's text alone.
TEST(Exchanges, FaultAtAnyCallEndsInACodeAfterCleanUp)
{
    struct {
        const char *name;
        int32_t (*run)(FakePort &, char *);
    } exchanges[] = {
        {"ReadCard", [](FakePort &p, char *t) { return en24::ReadCard(p, p.clock, t); }},
        {"ReadCardSN", [](FakePort &p, char *t) { return en24::ReadCardSN(p, p.clock, t); }},
        {"WriteRFData", [](FakePort &p, char *) { return en24::WriteRFData(p, p.clock, kGuestRecord.data()); }},
        {"Buzzer", [](FakePort &p, char *) { return en24::Buzzer(p, p.clock); }},
    };
    for (const auto &exchange : exchanges) {
        for (bool andLater : {false, true}) {
            int failAt = 1;
            for (;; ++failAt) {
                SCOPED_TRACE(std::string(exchange.name) + (andLater ? " hang-up at call " : " fault at call ") +
                             std::to_string(failAt));
                FakePort port;
                port.ActAsEncoder(kGuestRecord);
                port.FailIoCall(failAt, andLater);
                ReadText out;
                const int32_t result = exchange.run(port, out.text);
                if (port.IoCalls() < failAt) { // the fault was never reached
                    EXPECT_EQ(result, EN24_OK);
                    break;
                }
                if (result == EN24_OK) // a failed pre-read that a retry made good
                    continue;
                EXPECT_TRUE(result == EN24_ERR_WRITE || result == EN24_ERR_READ) << result;
                const auto &events = port.Events();
                ASSERT_GE(events.size(), 2u);
                EXPECT_EQ(events[events.size() - 2].Text(), "clear");
                EXPECT_EQ(events.back().kind, en24::testing::Event::Kind::Sleep);
                EXPECT_EQ(out.str(), kUntouched);
            }
            EXPECT_GT(failAt, 1);
        }
    }
}

// ---- Arguments ---------------------------------------------------------

TEST(Exchanges, NullBufferIsRefusedBeforeAnyPortTraffic)
{
    FakePort port;
    port.ActAsEncoder(kGuestRecord);
    EXPECT_EQ(en24::ReadCard(port, port.clock, nullptr), EN24_REFUSED);
    EXPECT_EQ(en24::ReadCardSN(port, port.clock, nullptr), EN24_REFUSED);
    EXPECT_EQ(en24::WriteRFData(port, port.clock, nullptr), EN24_REFUSED);
    EXPECT_EQ(port.Trace(), "");
}

// ---- The fake encoder, as the card operations will use it --------------

TEST(Exchanges, WrittenRecordReadsBack)
{
    FakePort port;
    port.ActAsEncoder(CardRecord{});
    const CardRecord erased{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    ReadText out;

    ASSERT_EQ(en24::WriteRFData(port, port.clock, erased.data()), EN24_OK);
    ASSERT_EQ(en24::ReadCard(port, port.clock, out.text), EN24_OK);
    EXPECT_EQ(out.str().substr(4, 26), "01" + Hex(erased));
    EXPECT_EQ(port.FrameTexts(), (std::vector<std::string>{"AA0DECFFFFFFFFFFFFFFFFFFFFFFFF4B", "AA01E44F"}));
}

} // namespace
