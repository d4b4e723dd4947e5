// The lock record download on the scripted fake port with virtual time.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EN24_C1.h"
#include "FakePort.h"
#include "RecordDownload.h"

namespace en24 {
namespace {

using testing::Bytes;
using testing::FakePort;
using testing::Hex;

const std::string kRequest = "504C45415345204C4F41443250432C4F4B"; // "PLEASE LOAD2PC,OK"

// Hands out the fake port and records what the download asks of it.
class FakeAccess final : public RecordPortAccess {
public:
    FakePort port;
    bool openFails = false;
    int opens = 0;
    int closes = 0;
    int32_t openedPortNo = 0;
    int32_t openedBaud = 0;
    size_t eventsAtClose = 0; // port calls made before the close

    Port *Open(int32_t portNo, int32_t baudRate) override
    {
        ++opens;
        openedPortNo = portNo;
        openedBaud = baudRate;
        return openFails ? nullptr : &port;
    }
    void Close() override
    {
        ++closes;
        eventsAtClose = port.Events().size();
    }
};

Bytes Download(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    return bytes;
}

struct OutText {
    char text[4200];
    OutText() { std::memset(text, '?', sizeof text); }
    bool Untouched() const { return std::string(text, sizeof text) == std::string(sizeof text, '?'); }
};

TEST(RecordDownload, ReadsAll32BlocksAfterTheirPauses)
{
    FakeAccess access;
    const Bytes records = Download(2048);
    access.port.Answer(records);
    OutText out;
    EXPECT_EQ(DownloadRecords(access, access.port.clock, 3, out.text), EN24_OK);

    EXPECT_EQ(access.openedPortNo, 3);
    EXPECT_EQ(access.openedBaud, 1200);
    std::string expected = "read1:0 purge-out purge-in write:" + kRequest;
    for (int block = 0; block < 32; ++block)
        expected += " sleep:1200 read64:64";
    EXPECT_EQ(access.port.Trace(), expected);
    EXPECT_EQ(access.port.Reads(64), 32);
    EXPECT_EQ(access.port.Sleeps(), std::vector<uint32_t>(32, 1200));
    EXPECT_EQ(access.closes, 1);
    EXPECT_EQ(access.eventsAtClose, access.port.Events().size());
    EXPECT_EQ(std::string(out.text), Hex(records));
    EXPECT_EQ(std::strlen(out.text), 4096u);
    EXPECT_EQ(access.port.clock.NowMs(), 10u + 32u * 1200u); // at least 38.4 s
}

TEST(RecordDownload, ShortDeviceFailsAtTheSecondBlockAndClosesThePort)
{
    FakeAccess access;
    access.port.Answer(Download(100));
    OutText out;
    EXPECT_EQ(DownloadRecords(access, access.port.clock, 1, out.text), EN24_ERR_READ);
    EXPECT_EQ(access.port.Reads(64), 2);
    EXPECT_EQ(access.closes, 1);
    EXPECT_EQ(access.eventsAtClose, access.port.Events().size());
    EXPECT_TRUE(access.port.Trace().ends_with("sleep:1200 read64:64 sleep:1200 read64:36 clear sleep:200"));
    // Pre-read, two pauses, the short read's time-out, the 200 ms after the failure: about 2.6 s.
    EXPECT_EQ(access.port.clock.NowMs(), 10u + 1200u + 1200u + 10u + 200u);
    EXPECT_TRUE(out.Untouched());
}

TEST(RecordDownload, EveryFailureAfterTheOpenClosesThePort)
{
    // Read and Write calls: 1 pre-read, 2 the request, 3.. the blocks.
    struct Case {
        const char *name;
        int failingCall;
        bool andLater;
        int32_t expected;
        const char *traceEnd;
    };
    const Case cases[] = {
        {"request write", 2, false, EN24_ERR_WRITE, "write!:" "504C45415345204C4F41443250432C4F4B clear sleep:200"},
        {"first block", 3, false, EN24_ERR_READ, "sleep:1200 read64:-1 clear sleep:200"},
        {"last block", 34, false, EN24_ERR_READ, "sleep:1200 read64:-1 clear sleep:200"},
        {"device gone before the request", 1, true, EN24_ERR_READ, "read1:-1 clear*2 sleep:200"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakeAccess access;
        access.port.Answer(Download(2048));
        access.port.FailIoCall(c.failingCall, c.andLater);
        OutText out;
        EXPECT_EQ(DownloadRecords(access, access.port.clock, 1, out.text), c.expected);
        EXPECT_EQ(access.closes, 1);
        EXPECT_EQ(access.eventsAtClose, access.port.Events().size());
        EXPECT_TRUE(access.port.Trace().ends_with(c.traceEnd)) << access.port.Trace();
        EXPECT_TRUE(out.Untouched());
    }
}

TEST(RecordDownload, NoPortOrNoTextGivesZeroWithoutTraffic)
{
    FakeAccess held;
    held.openFails = true;
    OutText out;
    EXPECT_EQ(DownloadRecords(held, held.port.clock, 2, out.text), EN24_REFUSED);
    EXPECT_EQ(held.closes, 0);
    EXPECT_TRUE(held.port.Events().empty());
    EXPECT_TRUE(out.Untouched());

    FakeAccess access;
    EXPECT_EQ(DownloadRecords(access, access.port.clock, 2, nullptr), EN24_REFUSED);
    EXPECT_EQ(access.opens, 0);
}

} // namespace
} // namespace en24
