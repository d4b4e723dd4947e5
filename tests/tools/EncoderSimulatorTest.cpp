// The simulated encoder seen from the host's side of its pseudo-terminal.
#include "EncoderSimulator.h"
#include "HostPort.h"
#include "SimulatedComPort.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <optional>
#include <system_error>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace en24sim::test {
namespace {

const std::string kGuestRecord = "030D4168053F0115038CFF73";
// A read takes the reply delay to be answered; "no reply" is judged after this
// much silence, well beyond the delay and any scheduling hiccup.
constexpr auto kQuiet = 150ms;

class SimulatorTest : public ::testing::Test {
protected:
    TTempDir dir{"en24sim-test"};
    EncoderSimulator sim{dir / "com1"};
};

// ---------------------------------------------------------------------------
// Replies to the read commands

struct ReadCase {
    const char *name;
    std::function<void(EncoderSimulator &)> placeCard; // what lies on the encoder
    Bytes frame;                                       // command sent
    const char *reply;                                 // whole reply expected, hex
};

TEST_F(SimulatorTest, ReadRepliesCarryStatusRecordAndSerial) {
    const auto guestCard = [](EncoderSimulator &s) { s.PutCard(RecordOf(kGuestRecord)); };
    const auto noCard = [](EncoderSimulator &s) { s.RemoveCard(); };
    const auto unreadable = [](EncoderSimulator &s) { s.PutUnreadableCard(0x03); };
    const ReadCase cases[] = {
        {"read, card", guestCard, kReadFrame, "55E401030D4168053F0115038CFF7300000000BA"},
        {"read, no card", noCard, kReadFrame, "55E40000000000000000000000000000000000B1"},
        {"read, unreadable card", unreadable, kReadFrame, "55E40300000000000000000000000000000000B2"},
        {"read serial, card", guestCard, kReadSerialFrame, "555301030D4168053F0115038CFF73000000003A915C07FD"},
        {"read serial, no card", noCard, kReadSerialFrame, "555300000000000000000000000000000000000000000006"},
        {"read serial, unreadable card", unreadable, kReadSerialFrame, "555303000000000000000000000000000000003A915C07F5"},
    };
    HostPort port(sim.LinkPath());
    ASSERT_TRUE(port.IsOpen());
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        c.placeCard(sim);
        const Bytes reply = port.Exchange(c.frame, std::strlen(c.reply) / 2);
        EXPECT_EQ(ToHex(reply), c.reply);
        EXPECT_TRUE(port.Read(1, 30ms).empty()) << "nothing follows the reply";
    }
    EXPECT_EQ(sim.Frames().size(), std::size(cases));
    EXPECT_EQ(sim.OverlapCount(), 0);
}

TEST_F(SimulatorTest, CardSerialAndStateAreReported) {
    sim.SetCardSerial({0x01, 0x02, 0x03, 0x04});
    sim.PutCard(RecordOf(kGuestRecord));
    ASSERT_TRUE(sim.Card().has_value());
    EXPECT_EQ(*sim.Card(), RecordOf(kGuestRecord));
    HostPort port(sim.LinkPath());
    const Bytes reply = port.Exchange(kReadSerialFrame, 24);
    ASSERT_EQ(reply.size(), 24u);
    EXPECT_EQ(ToHex(Bytes(reply.begin() + 19, reply.begin() + 23)), "01020304");

    sim.PutUnreadableCard(0x02);
    EXPECT_FALSE(sim.Card().has_value());
    sim.RemoveCard();
    EXPECT_FALSE(sim.Card().has_value());
}

// ---------------------------------------------------------------------------
// Frames, check bytes and bytes outside frames

TEST_F(SimulatorTest, RecordsEveryFrameAndRejectsBadCheckBytes) {
    sim.PutCard(RecordOf(kGuestRecord));
    HostPort port(sim.LinkPath());
    const Bytes badRead{0xAA, 0x01, 0xE4, 0x4E};

    EXPECT_TRUE(port.Exchange(kBuzzerFrame, 1, kQuiet).empty());
    EXPECT_TRUE(port.Exchange(badRead, 1, kQuiet).empty()) << "a frame with a bad check byte is not answered";
    EXPECT_EQ(port.Exchange(kReadFrame, 20).size(), 20u) << "the next good frame is answered";

    const auto frames = sim.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], kBuzzerFrame);
    EXPECT_EQ(frames[1], badRead);
    EXPECT_EQ(frames[2], kReadFrame);
    EXPECT_EQ(sim.BadCheckCount(), 1);
    EXPECT_EQ(sim.BeepCount(), 1);
}

struct ParseCase {
    const char *name;
    std::vector<Bytes> pieces;       // written one after the other
    std::chrono::milliseconds pause; // between the pieces
    std::size_t framesRecorded;
    bool answered; // a read reply follows
};

TEST_F(SimulatorTest, FindsFramesInTheByteStream) {
    const ParseCase cases[] = {
        {"frame one byte at a time", {{0xAA}, {0x01}, {0xE4}, {0x4F}}, 5ms, 1, true},
        {"line noise before the frame", {{0x00, 0x13, 0xFF, 0x55}, kReadFrame}, 0ms, 1, true},
        {"two frames in one write", {{0xAA, 0x02, 0x80, 0x14, 0x3C, 0xAA, 0x01, 0xE4, 0x4F}}, 0ms, 2, true},
        {"incomplete frame dropped after a pause", {{0xAA, 0x0D, 0xEC, 0x01}, kReadFrame}, 200ms, 1, true},
        {"unknown command recorded, not answered", {{0xAA, 0x01, 0x10, 0xBB}}, 0ms, 1, false},
        {"read command with data not answered", {{0xAA, 0x02, 0xE4, 0x00, 0x4C}}, 0ms, 1, false},
        {"broken download request skipped", {{'P', 'L', 'E', 'X'}, kReadFrame}, 0ms, 1, true},
    };
    for (const ParseCase &c : cases) {
        SCOPED_TRACE(c.name);
        TTempDir caseDir{"en24sim-test"};
        EncoderSimulator s(caseDir / "com1");
        HostPort port(s.LinkPath());
        for (std::size_t i = 0; i < c.pieces.size(); ++i) {
            if (i > 0) std::this_thread::sleep_for(c.pause);
            ASSERT_TRUE(port.Write(c.pieces[i]));
        }
        const Bytes reply = port.Read(20, c.answered ? 1000ms : kQuiet);
        EXPECT_EQ(reply.size(), c.answered ? 20u : 0u);
        EXPECT_EQ(s.Frames().size(), c.framesRecorded);
        EXPECT_EQ(s.BadCheckCount(), 0);
    }
}

// ---------------------------------------------------------------------------
// Writing cards

TEST_F(SimulatorTest, WrittenRecordReadsBack) {
    sim.PutCard(RecordOf("000000000000000000000000"));
    HostPort port(sim.LinkPath());
    EXPECT_TRUE(port.Exchange(WriteFrame(RecordOf(kGuestRecord)), 1, kQuiet).empty()) << "a write has no reply";
    EXPECT_EQ(sim.Card(), RecordOf(kGuestRecord));
    const Bytes reply = port.Exchange(kReadFrame, 20);
    ASSERT_EQ(reply.size(), 20u);
    EXPECT_EQ(ToHex(reply).substr(4, 26), "01" + kGuestRecord);
}

struct WriteCase {
    const char *name;
    std::function<void(EncoderSimulator &)> setUp;
    Bytes frame;
    std::optional<std::string> cardAfter; // record on the card after the write
};

TEST_F(SimulatorTest, CardKeepsItsRecordWhenTheWriteDoesNotTake) {
    const std::string before = "0000010F053F053FD7DD427C";
    const auto readable = [before](EncoderSimulator &s) { s.PutCard(RecordOf(before)); };
    Bytes badCheck = WriteFrame(RecordOf(kGuestRecord));
    badCheck.back() ^= 0x01;
    const Bytes shortData{0xAA, 0x0C, 0xEC, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0x4A}; // good check byte
    const WriteCase cases[] = {
        {"card refuses the write", [&](EncoderSimulator &s) { readable(s); s.SetFault(Fault::RefuseWrite); },
         WriteFrame(RecordOf(kGuestRecord)), before},
        {"bad check byte", readable, badCheck, before},
        {"eleven data bytes", readable, shortData, before},
        {"silent encoder", [&](EncoderSimulator &s) { readable(s); s.SetFault(Fault::Silence); },
         WriteFrame(RecordOf(kGuestRecord)), before},
        {"no card", [](EncoderSimulator &s) { s.RemoveCard(); }, WriteFrame(RecordOf(kGuestRecord)), std::nullopt},
        {"unreadable card", [](EncoderSimulator &s) { s.PutUnreadableCard(0x04); }, WriteFrame(RecordOf(kGuestRecord)),
         std::nullopt},
    };
    for (const WriteCase &c : cases) {
        SCOPED_TRACE(c.name);
        TTempDir caseDir{"en24sim-test"};
        EncoderSimulator s(caseDir / "com1");
        c.setUp(s);
        HostPort port(s.LinkPath());
        ASSERT_TRUE(port.Write(c.frame));
        ASSERT_TRUE(s.WaitForFrames(1, 1s));
        if (c.cardAfter) {
            EXPECT_EQ(s.Card(), RecordOf(*c.cardAfter));
        } else {
            EXPECT_FALSE(s.Card().has_value());
        }
    }
}

// ---------------------------------------------------------------------------
// Faults of the reply

TEST_F(SimulatorTest, FaultsChangeTheReply) {
    sim.PutCard(RecordOf(kGuestRecord));
    HostPort port(sim.LinkPath());
    const std::string fullReply = "55E401030D4168053F0115038CFF7300000000BA";

    sim.SetFault(Fault::Silence);
    EXPECT_TRUE(port.Exchange(kReadFrame, 20, kQuiet).empty());
    EXPECT_TRUE(port.Exchange(kBuzzerFrame, 1, kQuiet).empty());
    EXPECT_EQ(sim.BeepCount(), 0) << "a silent encoder does nothing";

    sim.SetFault(Fault::NoiseBeforeSync);
    const Bytes noisy = port.Exchange(kReadFrame, kNoiseBytes.size() + 20);
    EXPECT_EQ(ToHex(noisy), ToHex(Bytes(kNoiseBytes.begin(), kNoiseBytes.end())) + fullReply);
    for (uint8_t b : kNoiseBytes) EXPECT_NE(b, 0x55) << "no noise byte may look like the sync byte";

    sim.SetFault(Fault::ShortReply);
    EXPECT_EQ(ToHex(port.Exchange(kReadFrame, 20, 300ms)), fullReply.substr(0, 2 * kShortReplyLength));

    sim.SetFault(Fault::None);
    EXPECT_EQ(ToHex(port.Exchange(kReadFrame, 20)), fullReply);
    EXPECT_EQ(sim.Frames().size(), 5u);
}

void ExpectGone(HostPort &port, const EncoderSimulator &s) {
    EXPECT_TRUE(s.HungUp());
    port.Read(1, 500ms);
    EXPECT_TRUE(port.hungUp) << "the host's read fails or ends";
    HostPort again(s.LinkPath());
    EXPECT_FALSE(again.IsOpen()) << "the link path no longer opens";
    struct stat st {};
    EXPECT_NE(lstat(s.SlavePath().c_str(), &st), 0) << "the pseudo-terminal is gone";
}

TEST_F(SimulatorTest, HangUpFaultTakesTheDeviceAwayAtTheNextCommand) {
    sim.PutCard(RecordOf(kGuestRecord));
    HostPort port(sim.LinkPath());
    sim.SetFault(Fault::HangUp);
    ASSERT_TRUE(port.Write(kReadFrame));
    ASSERT_TRUE(sim.WaitForFrames(1, 1s));
    const Bytes reply = port.Read(20, 1s);
    EXPECT_TRUE(reply.empty());
    ExpectGone(port, sim);
}

TEST_F(SimulatorTest, HangUpWhileTheHostWaitsForAReply) {
    sim.SetReplyDelay(300ms);
    HostPort port(sim.LinkPath());
    ASSERT_TRUE(port.Write(kReadFrame));
    ASSERT_TRUE(sim.WaitForFrames(1, 1s));
    sim.HangUp();
    EXPECT_TRUE(port.Read(20, 1s).empty()) << "the reply is never sent";
    ExpectGone(port, sim);
    sim.HangUp(); // a second time changes nothing
    sim.PutCard(RecordOf(kGuestRecord)); // and the setters still work
    EXPECT_TRUE(sim.Card().has_value());
}

// ---------------------------------------------------------------------------
// Record download

TEST_F(SimulatorTest, RecordDownloadIsPacedAt1200Baud) {
    EXPECT_EQ(sim.RecordDownload().size(), 2048u);
    Bytes bytes(30);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(0xC0 + i);
    sim.SetRecordDownload(bytes);
    sim.SetReplyDelay(0ms);
    HostPort port(sim.LinkPath());
    const std::string request = "PLEASE LOAD2PC,OK";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(port.Write(Bytes(request.begin(), request.end())));
    const Bytes early = port.Read(bytes.size(), 100ms);
    const Bytes rest = port.Read(bytes.size() - early.size(), 2s);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    Bytes all = early;
    all.insert(all.end(), rest.begin(), rest.end());
    EXPECT_EQ(all, bytes);
    EXPECT_LT(early.size(), bytes.size()) << "the bytes come one by one, not at once";
    // 29 byte times separate the first byte from the last.
    EXPECT_GE(elapsed, 29 * kDownloadByteTime);
    ASSERT_EQ(sim.Frames().size(), 1u);
    EXPECT_EQ(sim.Frames()[0], Bytes(request.begin(), request.end()));
    EXPECT_EQ(sim.BadCheckCount(), 0);
}

// ---------------------------------------------------------------------------
// Overlapping exchanges

struct OverlapCase {
    const char *name;
    Bytes first;
    bool waitForReply;                 // the host reads the first command's reply
    std::chrono::milliseconds pause;   // then waits this long
    int overlaps;
};

TEST_F(SimulatorTest, FlagsAFrameThatArrivesWhileStillAnswering) {
    const Bytes write = WriteFrame(RecordOf(kGuestRecord));
    const OverlapCase cases[] = {
        {"read during a read", kReadFrame, false, 0ms, 1},
        {"read after the reply", kReadFrame, true, 0ms, 0},
        {"read during a card write", write, false, 100ms, 1},
        {"read 2 s after a write, as the library waits", write, false, 2000ms, 0},
        {"read right after a beep", kBuzzerFrame, false, 0ms, 0},
    };
    for (const OverlapCase &c : cases) {
        SCOPED_TRACE(c.name);
        TTempDir caseDir{"en24sim-test"};
        EncoderSimulator s(caseDir / "com1");
        s.PutCard(RecordOf(kGuestRecord));
        s.SetReplyDelay(100ms);
        HostPort port(s.LinkPath());
        ASSERT_TRUE(port.Write(c.first));
        if (c.waitForReply) {
            ASSERT_EQ(port.Read(20, 1s).size(), 20u);
        }
        std::this_thread::sleep_for(c.pause);
        ASSERT_TRUE(port.Write(kReadFrame));
        ASSERT_TRUE(s.WaitForFrames(2, 1s));
        EXPECT_EQ(s.OverlapCount(), c.overlaps);
    }
}

// ---------------------------------------------------------------------------
// The port closed and opened again between operations

TEST_F(SimulatorTest, AnswersAfterThePortIsReopened) {
    sim.PutCard(RecordOf(kGuestRecord));
    // Closed for a while as between two requests, or opened again at once;
    // held exclusively as a serial library holds its port, or not.
    const struct {
        std::chrono::milliseconds closedFor;
        bool exclusive;
    } rounds[] = {{30ms, false}, {0ms, false}, {30ms, true}, {0ms, true}, {0ms, true}};
    for (const auto &round : rounds) {
        SCOPED_TRACE(testing::Message() << round.closedFor.count() << " ms closed, exclusive " << round.exclusive);
        std::this_thread::sleep_for(round.closedFor);
        HostPort port(sim.LinkPath(), round.exclusive);
        ASSERT_TRUE(port.IsOpen()) << "open failed: " << std::strerror(port.OpenErrno());
        if (round.exclusive) {
            HostPort other(sim.LinkPath(), true);
            EXPECT_FALSE(other.IsOpen()) << "a second holder is kept out";
        }
        EXPECT_EQ(port.Exchange(kReadFrame, 20).size(), 20u);
    }
    EXPECT_FALSE(sim.HungUp());
    EXPECT_EQ(sim.Frames().size(), std::size(rounds));
}

// ---------------------------------------------------------------------------
// The link path

TEST(SimulatorLinkTest, ReplacesAStaleLinkAndRemovesItsOwnOnly) {
    TTempDir dir{"en24sim-test"};
    const std::string link = dir / "com1";
    ASSERT_EQ(symlink("/dev/pts/does-not-exist", link.c_str()), 0);
    auto first = std::make_unique<EncoderSimulator>(link);
    EXPECT_TRUE(HostPort(link).IsOpen()) << "the stale link was replaced";

    EncoderSimulator second(link); // takes the path over
    first.reset();
    EXPECT_TRUE(HostPort(link).IsOpen()) << "the first one left the second one's link alone";
    EXPECT_EQ(HostPort(link).Exchange(kReadFrame, 20).size(), 20u);
}

TEST(SimulatorLinkTest, DestructorRemovesTheLink) {
    TTempDir dir{"en24sim-test"};
    const std::string link = dir / "com1";
    { EncoderSimulator s(link); }
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
}

TEST(SimulatorLinkTest, LeavesAnOrdinaryFileAlone) {
    TTempDir dir{"en24sim-test"};
    const std::string path = dir / "notes.txt";
    FILE *file = fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    fputs("keep me", file);
    fclose(file);
    EXPECT_THROW(EncoderSimulator{path}, std::system_error);
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 7);
}

// ---------------------------------------------------------------------------
// The simulator as COMn of the library

TEST(SimulatedComPortTest, NamesItsLinkInEn24ComAndPutsEverythingBack) {
    const std::string name = ComPathVariable::Name(5);
    ASSERT_EQ(name, "EN24_COM5");
    ASSERT_EQ(::setenv(name.c_str(), "/earlier/value", 1), 0);
    std::string folder;
    {
        SimulatedComPort com(5);
        folder = com.Folder();
        EXPECT_EQ(com.LinkPath(), folder + "/COM5");
        ASSERT_NE(std::getenv(name.c_str()), nullptr);
        EXPECT_EQ(std::string(std::getenv(name.c_str())), com.LinkPath());
        com->PutCard(RecordOf(kGuestRecord));
        EXPECT_EQ(ToHex(HostPort(std::getenv(name.c_str())).Exchange(kReadFrame, 20)).substr(6, 24), kGuestRecord);
    }
    ASSERT_NE(std::getenv(name.c_str()), nullptr);
    EXPECT_EQ(std::string(std::getenv(name.c_str())), "/earlier/value");
    struct stat st {};
    EXPECT_NE(lstat(folder.c_str(), &st), 0) << "the folder is removed";

    ASSERT_EQ(::unsetenv(name.c_str()), 0);
    {
        const ComPathVariable missing(5, "/no/such/port");
        EXPECT_EQ(std::string(std::getenv(name.c_str())), "/no/such/port");
    }
    EXPECT_EQ(std::getenv(name.c_str()), nullptr) << "a variable that was not there is removed";
}

// ---------------------------------------------------------------------------
// Test threads change the encoder while it answers

TEST_F(SimulatorTest, CardChangesWhileAnsweringGiveWholeReplies) {
    sim.SetReplyDelay(0ms);
    const std::string record = "0000010F3FFF053FD7DD427C";
    std::atomic<bool> done{false};
    std::thread operatorHand([&] {
        for (int i = 0; !done; ++i) {
            if (i % 2 == 0) {
                sim.PutCard(RecordOf(record));
            } else {
                sim.RemoveCard();
            }
            sim.SetReplyDelay(std::chrono::milliseconds{i % 3});
            (void)sim.Frames();
            std::this_thread::sleep_for(1ms);
        }
    });
    HostPort port(sim.LinkPath());
    for (int i = 0; i < 30; ++i) {
        const std::string reply = ToHex(port.Exchange(i % 2 ? kReadFrame : kReadSerialFrame, i % 2 ? 20 : 24));
        ASSERT_FALSE(reply.empty());
        const std::string status = reply.substr(4, 2);
        const std::string body = reply.substr(6, 24);
        if (status == "01") {
            EXPECT_EQ(body, record);
        } else {
            EXPECT_EQ(status, "00");
            EXPECT_EQ(body, std::string(24, '0'));
        }
    }
    done = true;
    operatorHand.join();
    EXPECT_EQ(sim.Frames().size(), 30u);
}

} // namespace
} // namespace en24sim::test
