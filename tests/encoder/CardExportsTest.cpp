// The card exports of the built library. Records come out through the
// exports themselves: with a handle that is not open, a builder writes its
// record text and then fails at the first read (-86), so every worked record
// is checked without an encoder; the simulator on a pseudo-terminal then
// takes a guest card written and read back, decodes cards through
// GetCardInfo, and answers a short record download.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include <unistd.h>

#include "EN24_C1.h"
#include "HexBytes.h"
#include "SimulatedComPort.h"

namespace {

constexpr int32_t kClosedHandle = -1; // every read and write on it fails at once

struct RecordText {
    char text[32];
    RecordText() { std::snprintf(text, sizeof text, "former contents"); }
    std::string str() const { return text; }
};

struct Worked {
    const char *name;
    std::function<int32_t(char *)> call; // run in a thread that has drawn no filler byte
    const char *expected;                // record text; "former contents" when refused
};

TEST(CardExports, WorkedRecordsComeOutOfTheExports)
{
    const int32_t h = kClosedHandle;
    const Worked cases[] = {
        {"guest, smallest", [h](char *t) { return GuestCard(h, 0, 1, "000000", "0001010000", 0, 0, t); },
         "000001600000000000010100"},
        {"guest, LLock -1", [h](char *t) { return GuestCard(h, 1343, 200001, "105001", "0812311400", 0, -1, t); },
         "030D4168053F0115008C1F70"},
        {"guest, minute 59", [h](char *t) { return GuestCard(h, 1343, 200001, "105001", "0812311459", 3, 1, t); },
         "030D4168053F0115038CFF73"},
        {"guest, largest",
         [h](char *t) { return GuestCard(h, 16382, 16777214, "763127", "1512312359", 255, 0, t); },
         "FFFFFE603FFEFFFFFFFCFFBB"},
        {"master", [h](char *t) { return MasterCard(h, 1343, 1, t); }, "000001B8053F000100FF1FFE"},
        {"emergency", [h](char *t) { return EmergencyCard(h, 1343, 1, t); }, "000001A8853F000100FF1FFE"},
        {"building", [h](char *t) { return BuildingCard(h, 1343, 1, "5", "0800", "2359", "081231", t); },
         "000001D0453F8001408C1FBD"},
        {"floor", [h](char *t) { return FloorCard(h, 1343, 1, "312", "0800", "2359", "081231", t); },
         "000001C0053F0033408C1FBD"},
        {"group", [h](char *t) { return GroupCard(h, 1343, 1, 7, "0800", "2359", "081231", t); },
         "00000190053F0707408C1FBD"},
        {"group set", [h](char *t) { return GroupCardSet(h, 1343, 1, 8, 7, t); }, "00000158053F070707070707"},
        {"limit", [h](char *t) { return LimitCard(h, 1343, 1, 200001, t); }, "00000140053F030D41D7DD42"},
        {"check-out", [h](char *t) { return CheckOutCard(h, 1343, 1, t); }, "00000170053FD7DD427C1F94"},
        {"system", [h](char *t) { return SystemCard(h, 1343, 1, t); }, "0000010F053F053FD7DD427C"},
        {"system, hotel 0", [h](char *t) { return SystemCard(h, 0, 1, t); }, "0000010F0000FFFFD7DD427C"},
        {"seal", [h](char *t) { return SealCard(h, 1343, 1, t); }, "0000010F3FFF053FD7DD427C"},
        {"seal, hotel 0", [h](char *t) { return SealCard(h, 0, 1, t); }, "0000010F3FFFFFFFD7DD427C"},
        {"record", [h](char *t) { return RecordCard(h, 1343, 1, t); }, "00000110053FD7DD427C1F94"},
        {"room set", [h](char *t) { return RoomSetCard(h, 1343, 1, "105001", t); }, "00000120053F0115D7DD427C"},
        {"time set", [h](char *t) { return TimeSetCard(h, 1343, 1, "0812311400", t); }, "00000130053FD7DD428C1F70"},
        // Refused: 0 at once, record text untouched.
        {"guest, room 128", [h](char *t) { return GuestCard(h, 1343, 1, "105128", "0812311400", 0, 0, t); },
         "former contents"},
        {"guest, hotel 16383", [h](char *t) { return GuestCard(h, 16383, 1, "105001", "0812311400", 0, 0, t); },
         "former contents"},
        {"floor 64", [h](char *t) { return FloorCard(h, 1343, 1, "364", "0800", "2359", "081231", t); },
         "former contents"},
        {"group set type 2", [h](char *t) { return GroupCardSet(h, 1343, 1, 2, 7, t); }, "former contents"},
        {"limit 0", [h](char *t) { return LimitCard(h, 1343, 1, 0, t); }, "former contents"},
        {"room set, room 300", [h](char *t) { return RoomSetCard(h, 1343, 1, "105300", t); }, "former contents"},
        {"time set, year 16", [h](char *t) { return TimeSetCard(h, 1343, 1, "1612311400", t); }, "former contents"},
        {"null lock number", [h](char *t) { return GuestCard(h, 1343, 1, nullptr, "0812311400", 0, 0, t); },
         "former contents"},
    };
    for (const Worked &c : cases) {
        SCOPED_TRACE(c.name);
        RecordText record;
        int32_t result = 99;
        std::thread([&] { result = c.call(record.text); }).join();
        EXPECT_EQ(record.str(), c.expected);
        const bool refused = std::string(c.expected) == "former contents";
        EXPECT_EQ(result, refused ? EN24_REFUSED : EN24_ERR_READ);
    }
}

TEST(CardExports, NullBuffersAreRefused)
{
    EXPECT_EQ(GuestCard(kClosedHandle, 1343, 1, "105001", "0812311400", 0, 0, nullptr), EN24_REFUSED);
    EXPECT_EQ(MasterCard(kClosedHandle, 1343, 1, nullptr), EN24_REFUSED);
    EXPECT_EQ(ReadAndWriteCard(kClosedHandle, nullptr), EN24_REFUSED);
    EXPECT_EQ(GetCardInfo(kClosedHandle, nullptr), EN24_REFUSED);
    EXPECT_EQ(GetCardInfoSN(kClosedHandle, nullptr), EN24_REFUSED);
    EXPECT_EQ(GetRecord(1, nullptr), EN24_REFUSED);
}

// ---- On the simulated encoder ------------------------------------------------

class OnSimulator : public ::testing::Test {
protected:
    void SetUp() override { sim_->SetReplyDelay(std::chrono::milliseconds(0)); }

    en24sim::SimulatedComPort sim_{1};
};

using en24sim::RecordOf;
using en24sim::ToHex;

TEST_F(OnSimulator, GuestCardIsWrittenReadBackAndDecoded)
{
    sim_->PutCard(RecordOf("FFFFFFFFFFFFFFFFFFFFFFFF"));
    const int32_t handle = OpenPort(1, 9600);
    ASSERT_GT(handle, 0);

    RecordText record;
    EXPECT_EQ(GuestCard(handle, 1343, 200001, "105001", "0812311459", 3, 1, record.text), EN24_OK);
    EXPECT_EQ(record.str(), "030D4168053F0115038CFF73");
    ASSERT_TRUE(sim_->Card().has_value());
    EXPECT_EQ(ToHex(*sim_->Card()), "030D4168053F0115038CFF73");
    // The buzzer frame is written and not awaited: give the encoder a moment.
    EXPECT_TRUE(sim_->WaitForFrames(4, std::chrono::seconds(2)));
    EXPECT_EQ(sim_->BeepCount(), 1);

    char info[63];
    EXPECT_EQ(GetCardInfo(handle, info), 200001);
    EXPECT_EQ(std::string(info, 22), "6013431050010812311459");
    EXPECT_EQ(std::strlen(info + 22), 40u);
    EXPECT_EQ(EraseCard(handle), EN24_OK);
    EXPECT_EQ(GetCardInfoSN(handle, info), 16777215);
    EXPECT_EQ(std::string(info, 22), "F163837631271515313163");

    EXPECT_EQ(sim_->OverlapCount(), 0);
    EXPECT_EQ(sim_->BadCheckCount(), 0);
    EXPECT_EQ(ClosePort(handle), EN24_OK);
}

TEST_F(OnSimulator, GetCardInfoDecodesEveryKindAtTheGuestPositions)
{
    struct Case {
        const char *record;  // on the card
        int32_t cardNo;      // result
        const char *fields;  // positions 0 to 21
    };
    const Case cases[] = {
        {"FFFFFFFFFFFFFFFFFFFFFFFF", 16777215, "F163837631271515313163"}, // erased
        {"030D4168053F0115038CFF73", 200001, "6013431050010812311459"}, // guest, kind 0x68
        {"000001600000000000010100", 1, "6000000000000001010000"},       // guest, kind 0x60
        {"000000000000000000000000", 0, "0000000000000000000000"},
        {"000001B8053F000100FF1FFE", 1, "B013431000001515313106"},
        {"0000010F053F053FD7DD427C", 1, "0013433150051313021520"}, // system
        {"0000010F3FFF053FD7DD427C", 1, "0163833150051313021520"}, // seal: hotel id 16383
        {"000001A8BFFE000100FF1FFE", 1, "A163821000001515313106"}, // emergency flag dropped
        {"000001D0453F8001408C1FBD", 1, "D013435000000812312305"}, // building flag dropped
        {"00000150053F070707070707", 1, "5013433010070007070007"},
        {"0000015C053F070707070707", 1, "5013433010070007070007"},
    };
    const int32_t handle = OpenPort(1, 9600);
    ASSERT_GT(handle, 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.record);
        sim_->PutCard(RecordOf(c.record));
        char info[63];
        EXPECT_EQ(GetCardInfo(handle, info), c.cardNo);
        EXPECT_EQ(std::string(info, 22), c.fields);
        EXPECT_EQ(std::string(info + 28, 24), c.record);
    }
    EXPECT_EQ(ClosePort(handle), EN24_OK);
}

TEST_F(OnSimulator, NoCardAndRefusedWrite)
{
    const int32_t handle = OpenPort(1, 9600);
    ASSERT_GT(handle, 0);
    RecordText record;
    // No card: -101, the record text already written, no write frame sent.
    EXPECT_EQ(MasterCard(handle, 1343, 1, record.text), EN24_ERR_NO_CARD);
    EXPECT_EQ(record.str(), "000001B8053F000100FF1FFE");
    EXPECT_EQ(sim_->Frames().size(), 1u);

    char info[63];
    std::memset(info, '?', sizeof info);
    EXPECT_EQ(GetCardInfo(handle, info), 0);
    EXPECT_EQ(std::string(info, 22), std::string(22, '?'));

    // A card that keeps its record: the read-back differs.
    sim_->PutCard(RecordOf("030D4168053F0115038CFF73"));
    sim_->SetFault(en24sim::Fault::RefuseWrite);
    const unsigned char master[12] = {0x00, 0x00, 0x01, 0xB8, 0x05, 0x3F, 0x00, 0x01, 0x00, 0xFF, 0x1F, 0xFE};
    EXPECT_EQ(ReadAndWriteCard(handle, master), EN24_REFUSED);
    EXPECT_EQ(sim_->BeepCount(), 0);
    EXPECT_EQ(ClosePort(handle), EN24_OK);
}

TEST_F(OnSimulator, ShortRecordDownloadFailsAtTheSecondBlock)
{
    sim_->SetRecordDownload(std::vector<uint8_t>(100, 0x5A));
    char text[4097];
    std::memset(text, '?', sizeof text);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GetRecord(1, text), EN24_ERR_READ);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(text[0], '?');
    // Two 1.2 s pauses and the 200 ms after the short block; the port is closed
    // again, so the encoder's port opens at once.
    EXPECT_GT(seconds, 2.55);
    const int32_t handle = OpenPort(1, 9600);
    EXPECT_GT(handle, 0);
    EXPECT_EQ(ClosePort(handle), EN24_OK);
    const auto frames = sim_->Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(std::string(frames[0].begin(), frames[0].end()), "PLEASE LOAD2PC,OK");
}

TEST_F(OnSimulator, RecordDownloadOnAPortHeldByTheCallerGivesZero)
{
    const int32_t handle = OpenPort(1, 9600);
    ASSERT_GT(handle, 0);
    char text[4097];
    EXPECT_EQ(GetRecord(1, text), EN24_REFUSED);
    EXPECT_TRUE(sim_->Frames().empty());
    EXPECT_EQ(ClosePort(handle), EN24_OK);
}

} // namespace
