// Write-and-verify, erasing, card builders and GetCardInfo on the scripted
// fake port: which frames go out, in which order, and what the caller's
// buffers hold afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CardOperations.h"
#include "EN24_C1.h"
#include "FakePort.h"

namespace en24 {
namespace {

using testing::Bytes;
using testing::FakePort;
using testing::Hex;
using testing::ReadReply;

const CardRecord kGuestRecord{0x03, 0x0D, 0x41, 0x68, 0x05, 0x3F, 0x01, 0x15, 0x03, 0x8C, 0xFF, 0x73};
const CardRecord kOtherRecord{0x00, 0x00, 0x07, 0x60, 0x05, 0x3F, 0x01, 0x15, 0x00, 0x8C, 0x1F, 0x70};

const std::string kReadFrame = "AA01E44F";
const std::string kReadSNFrame = "AA0153F8";
const std::string kBuzzerFrame = "AA0280143C";

std::string WriteFrame(const CardRecord &record)
{
    uint8_t check = 0x4B;
    for (uint8_t b : record)
        check ^= b;
    return "AA0DEC" + Hex(record) + Hex(Bytes{check});
}

TEST(WriteAndVerify, NoCardGivesMinus101AndNoWriteFrame)
{
    for (const uint8_t status : std::initializer_list<uint8_t>{0x00, 0x02, 0xFF}) {
        SCOPED_TRACE(static_cast<int>(status));
        FakePort port;
        port.Answer(ReadReply(status, kOtherRecord));
        EXPECT_EQ(WriteAndVerify(port, port.clock, kGuestRecord.data()), EN24_ERR_NO_CARD);
        EXPECT_EQ(port.FrameTexts(), std::vector<std::string>{kReadFrame});
    }
}

TEST(WriteAndVerify, SuccessReadsWritesReadsBackThenBeepsLast)
{
    FakePort port;
    port.ActAsEncoder(kOtherRecord);
    EXPECT_EQ(WriteAndVerify(port, port.clock, kGuestRecord.data()), EN24_OK);
    EXPECT_EQ(port.FrameTexts(),
              (std::vector<std::string>{kReadFrame, WriteFrame(kGuestRecord), kReadFrame, kBuzzerFrame}));
    EXPECT_EQ(port.Card(), kGuestRecord);
    // Two reads (410 ms each on the fake), the 2 s card write with its pre-read.
    EXPECT_EQ(port.clock.NowMs(), 410u + 2010u + 410u);
    EXPECT_EQ(port.Events().back().Text(), "write:" + kBuzzerFrame);
}

// The read-back decides by its record bytes only, whatever its status byte.
TEST(WriteAndVerify, ReadBackComparesEveryRecordByte)
{
    struct Case {
        const char *name;
        uint8_t status;      // of the read-back
        int differingByte;   // -1: the record comes back as written
        int32_t expected;
    };
    const Case cases[] = {
        {"equal", 0x01, -1, EN24_OK},
        {"equal, status 00", 0x00, -1, EN24_OK},
        {"first byte differs", 0x01, 0, EN24_REFUSED},
        {"kind differs", 0x01, 3, EN24_REFUSED},
        {"last byte differs", 0x01, 11, EN24_REFUSED},
        {"last byte differs, status 00", 0x00, 11, EN24_REFUSED},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CardRecord readBack = kGuestRecord;
        if (c.differingByte >= 0)
            readBack[static_cast<size_t>(c.differingByte)] ^= 0x01;
        FakePort port;
        port.Answer(ReadReply(0x01, kOtherRecord));
        port.Answer({}); // the write frame gets no reply
        port.Answer(ReadReply(c.status, readBack));
        EXPECT_EQ(WriteAndVerify(port, port.clock, kGuestRecord.data()), c.expected);
        const size_t frames = c.expected == EN24_OK ? 4u : 3u;
        ASSERT_EQ(port.FrameTexts().size(), frames);
        EXPECT_EQ(port.FrameTexts()[1], WriteFrame(kGuestRecord));
        if (c.expected == EN24_OK) {
            EXPECT_EQ(port.FrameTexts().back(), kBuzzerFrame);
        }
    }
}

TEST(WriteAndVerify, LinkFailuresComeBackUnchanged)
{
    // Read and Write calls of a successful run: pre-read, write, poll, rest (read);
    // pre-read, write (write); pre-read, write, poll, rest (read back); write (buzzer).
    struct Case {
        const char *name;
        int failingCall;
        int32_t expected;
        size_t framesSent;
    };
    const Case cases[] = {
        {"first read's frame", 2, EN24_ERR_WRITE, 0},
        {"first read's poll", 3, EN24_ERR_READ, 1},
        {"write frame", 6, EN24_ERR_WRITE, 1},
        {"read-back's rest", 10, EN24_ERR_READ, 3},
        {"buzzer frame: ignored", 11, EN24_OK, 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FakePort port;
        port.ActAsEncoder(kOtherRecord);
        port.FailIoCall(c.failingCall);
        EXPECT_EQ(WriteAndVerify(port, port.clock, kGuestRecord.data()), c.expected);
        EXPECT_EQ(port.FrameTexts().size(), c.framesSent);
    }

    FakePort silent; // no encoder answers
    EXPECT_EQ(WriteAndVerify(silent, silent.clock, kGuestRecord.data()), EN24_ERR_NO_REPLY);
    EXPECT_EQ(silent.FrameTexts(), std::vector<std::string>{kReadFrame});
}

TEST(EraseCard, WritesTwelveBytesFF)
{
    FakePort port;
    port.ActAsEncoder(kGuestRecord);
    EXPECT_EQ(EraseCardOn(port, port.clock), EN24_OK);
    EXPECT_EQ(port.FrameTexts()[1], "AA0DECFFFFFFFFFFFFFFFFFFFFFFFF4B");
    EXPECT_EQ(port.Card(), EraseRecord());

    FakePort empty;
    empty.ActAsEncoder(std::nullopt);
    EXPECT_EQ(EraseCardOn(empty, empty.clock), EN24_ERR_NO_CARD);
}

TEST(CardBuilders, RefusedArgumentSendsNothingAndLeavesTheRecordText)
{
    FakePort port;
    port.ActAsEncoder(kOtherRecord);
    char recordText[32] = "former contents";
    EXPECT_EQ(WriteBuiltCard(port, port.clock, BuildGuestCard(1343, 200001, "105128", "0812311400", 0, 0),
                             recordText),
              EN24_REFUSED);
    EXPECT_STREQ(recordText, "former contents");
    EXPECT_TRUE(port.Events().empty());
}

TEST(CardBuilders, RecordTextIsWrittenBeforeAnyPortTraffic)
{
    // No card: -101, and the caller already holds the record.
    FakePort port;
    port.ActAsEncoder(std::nullopt);
    char recordText[32] = "former contents";
    EXPECT_EQ(WriteBuiltCard(port, port.clock, BuildGuestCard(1343, 200001, "105001", "0812311459", 3, 1),
                             recordText),
              EN24_ERR_NO_CARD);
    EXPECT_STREQ(recordText, "030D4168053F0115038CFF73");

    // A port that fails at once: the result comes back unchanged, the text is there.
    FakePort dead;
    dead.HangUp();
    std::memset(recordText, 'x', sizeof recordText);
    EXPECT_EQ(WriteBuiltCard(dead, dead.clock, BuildMasterCard(1343, 1), recordText), EN24_ERR_READ);
    EXPECT_STREQ(recordText, "000001B8053F000100FF1FFE");

    // A null record text is refused before anything else.
    FakePort idle;
    EXPECT_EQ(WriteBuiltCard(idle, idle.clock, BuildMasterCard(1343, 1), nullptr), EN24_REFUSED);
    EXPECT_TRUE(idle.Events().empty());
}

TEST(CardBuilders, WorkedGuestCardOnTheEncoder)
{
    FakePort port;
    port.ActAsEncoder(EraseRecord());
    char recordText[25];
    EXPECT_EQ(WriteBuiltCard(port, port.clock, BuildGuestCard(1343, 200001, "105001", "0812311400", 0, -1),
                             recordText),
              EN24_OK);
    EXPECT_STREQ(recordText, "030D4168053F0115008C1F70");
    EXPECT_EQ(Hex(*port.Card()), "030D4168053F0115008C1F70");
    EXPECT_EQ(port.FrameTexts().back(), kBuzzerFrame);
}

// A card info buffer filled with a marker, so untouched positions show.
struct CardInfoText {
    char text[80];
    CardInfoText() { std::memset(text, '?', sizeof text); }
    std::string Fields() const { return std::string(text, 22); }
};

TEST(GetCardInfo, DecodesTheCardAndKeepsTheReadText)
{
    FakePort port;
    const Bytes reply = ReadReply(0x01, kGuestRecord);
    port.Answer(reply);
    CardInfoText info;
    EXPECT_EQ(GetCardInfoOn(port, port.clock, info.text), 200001);
    EXPECT_EQ(info.Fields(), "6013431050010812311459");
    EXPECT_EQ(std::string(info.text + 22), Hex(reply));
    EXPECT_EQ(info.text[63], '?');

    FakePort portSN;
    const Bytes replySN = ReadReply(0x01, EraseRecord(), true);
    portSN.Answer(replySN);
    CardInfoText infoSN;
    EXPECT_EQ(GetCardInfoSNOn(portSN, portSN.clock, infoSN.text), 16777215);
    EXPECT_EQ(infoSN.Fields(), "F163837631271515313163");
    EXPECT_EQ(std::string(infoSN.text + 22), Hex(replySN));
    EXPECT_EQ(portSN.FrameTexts(), std::vector<std::string>{kReadSNFrame});
    EXPECT_EQ(infoSN.text[71], '?');
}

TEST(GetCardInfo, NoCardDataWritesOnlyTheReadText)
{
    FakePort port;
    const Bytes reply = ReadReply(0x00, kGuestRecord);
    port.Answer(reply);
    CardInfoText info;
    EXPECT_EQ(GetCardInfoOn(port, port.clock, info.text), 0);
    EXPECT_EQ(info.Fields(), std::string(22, '?'));
    EXPECT_EQ(std::string(info.text + 22), Hex(reply));
}

TEST(GetCardInfo, FailedReadLeavesTheTextUntouched)
{
    FakePort silent;
    CardInfoText info;
    EXPECT_EQ(GetCardInfoOn(silent, silent.clock, info.text), EN24_ERR_NO_REPLY);
    EXPECT_EQ(std::string(info.text, sizeof info.text), std::string(sizeof info.text, '?'));

    FakePort dead;
    dead.HangUp();
    EXPECT_EQ(GetCardInfoSNOn(dead, dead.clock, info.text), EN24_ERR_READ);
    EXPECT_EQ(std::string(info.text, sizeof info.text), std::string(sizeof info.text, '?'));
}

} // namespace
} // namespace en24
