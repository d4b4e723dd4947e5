// Card records of every kind, built by the pure builders: the worked records
// hotel staff and lock makers agree on, the range edges of each argument, and
// the filler generator's per-thread sequence.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CardRecord.h"
#include "Frame.h"

namespace en24 {
namespace {

std::string Text(const CardRecord &record)
{
    char text[25];
    WriteRecordText(record, text);
    return text;
}

std::string Text(const std::optional<CardRecord> &record) { return record ? Text(*record) : "refused"; }

// Runs f in a thread that has drawn no filler byte yet.
std::string InFreshThread(const std::function<std::optional<CardRecord>()> &f)
{
    std::string result;
    std::thread([&] { result = Text(f()); }).join();
    return result;
}

struct Worked {
    const char *name;
    std::function<std::optional<CardRecord>()> build; // run in a fresh thread
    const char *expected;                             // record text, or "refused"
};

TEST(CardRecord, WorkedRecordsOfEveryKind)
{
    const Worked cases[] = {
        // Guest cards.
        {"guest, smallest", [] { return BuildGuestCard(0, 1, "000000", "0001010000", 0, 0); },
         "000001600000000000010100"},
        {"guest, LLock -1", [] { return BuildGuestCard(1343, 200001, "105001", "0812311400", 0, -1); },
         "030D4168053F0115008C1F70"},
        {"guest, minute 59", [] { return BuildGuestCard(1343, 200001, "105001", "0812311459", 3, 1); },
         "030D4168053F0115038CFF73"},
        {"guest, largest",
         [] { return BuildGuestCard(16382, 16777214, "763127", "1512312359", 255, 0); },
         "FFFFFE603FFEFFFFFFFCFFBB"},
        // Staff and control cards.
        {"master", [] { return BuildMasterCard(1343, 1); }, "000001B8053F000100FF1FFE"},
        {"emergency", [] { return BuildEmergencyCard(1343, 1); }, "000001A8853F000100FF1FFE"},
        {"building", [] { return BuildBuildingCard(1343, 1, "5", "0800", "2359", "081231"); },
         "000001D0453F8001408C1FBD"},
        {"floor", [] { return BuildFloorCard(1343, 1, "312", "0800", "2359", "081231"); },
         "000001C0053F0033408C1FBD"},
        {"group", [] { return BuildGroupCard(1343, 1, 7, "0800", "2359", "081231"); },
         "00000190053F0707408C1FBD"},
        {"group set", [] { return BuildGroupSetCard(1343, 1, 8, 7); }, "00000158053F070707070707"},
        {"limit", [] { return BuildLimitCard(1343, 1, 200001); }, "00000140053F030D41D7DD42"},
        {"check-out", [] { return BuildCheckOutCard(1343, 1); }, "00000170053FD7DD427C1F94"},
        // Lock set-up cards.
        {"system", [] { return BuildSystemCard(1343, 1); }, "0000010F053F053FD7DD427C"},
        {"system, hotel 0", [] { return BuildSystemCard(0, 1); }, "0000010F0000FFFFD7DD427C"},
        {"seal", [] { return BuildSealCard(1343, 1); }, "0000010F3FFF053FD7DD427C"},
        {"seal, hotel 0", [] { return BuildSealCard(0, 1); }, "0000010F3FFFFFFFD7DD427C"},
        {"record", [] { return BuildRecordCard(1343, 1); }, "00000110053FD7DD427C1F94"},
        {"room set", [] { return BuildRoomSetCard(1343, 1, "105001"); }, "00000120053F0115D7DD427C"},
        {"time set", [] { return BuildTimeSetCard(1343, 1, "0812311400"); }, "00000130053FD7DD428C1F70"},
        // Edge cases of the members.
        {"group set type 4", [] { return BuildGroupSetCard(1343, 1, 4, 7); }, "00000154053F070707070707"},
        {"group set type 260 is 4", [] { return BuildGroupSetCard(1343, 1, 260, 7); },
         "00000154053F070707070707"},
        {"group set type 0", [] { return BuildGroupSetCard(1343, 1, 0, 7); }, "00000150053F070707070707"},
        {"group set type 12", [] { return BuildGroupSetCard(1343, 1, 12, 7); }, "0000015C053F070707070707"},
        {"group set type 2", [] { return BuildGroupSetCard(1343, 1, 2, 7); }, "refused"},
        {"group set type 16", [] { return BuildGroupSetCard(1343, 1, 16, 7); }, "refused"},
        {"group number 300 is 0x2C", [] { return BuildGroupCard(1343, 1, 300, "0800", "2359", "081231"); },
         "00000190053F2C2C408C1FBD"},
        {"group set number 300", [] { return BuildGroupSetCard(1343, 1, 8, 300); }, "00000158053F2C2C2C2C2C2C"},
        {"start minute 59 in tens", [] { return BuildGroupCard(1343, 1, 7, "0859", "2359", "081231"); },
         "00000190053F0707458C1FBD"},
        {"start 0850 same byte", [] { return BuildGroupCard(1343, 1, 7, "0850", "2359", "081231"); },
         "00000190053F0707458C1FBD"},
        {"end before start accepted", [] { return BuildGroupCard(1343, 1, 7, "2359", "0800", "081231"); },
         "00000190053F0707BD8C1F40"},
        {"floor 64 refused", [] { return BuildFloorCard(1343, 1, "364", "0800", "2359", "081231"); }, "refused"},
        {"floor 63", [] { return BuildFloorCard(1343, 1, "763", "0800", "2359", "081231"); },
         "000001C0053F80FF408C1FBD"},
        {"building 8 refused", [] { return BuildBuildingCard(1343, 1, "8", "0800", "2359", "081231"); },
         "refused"},
        {"floor card building 8 refused", [] { return BuildFloorCard(1343, 1, "800", "0800", "2359", "081231"); },
         "refused"},
        {"emergency byte 4 of hotel 16382", [] { return BuildEmergencyCard(16382, 1); },
         "000001A8BFFE000100FF1FFE"},
        {"building byte 4 of hotel 16382",
         [] { return BuildBuildingCard(16382, 1, "0", "0000", "0000", "000101"); }, "000001D07FFE000000010100"},
        {"limit 0 refused", [] { return BuildLimitCard(1343, 1, 0); }, "refused"},
        {"limit 16777215 refused", [] { return BuildLimitCard(1343, 1, 16777215); }, "refused"},
        {"limit 1", [] { return BuildLimitCard(1343, 1, 1); }, "00000140053F000001D7DD42"},
        {"limit 16777214", [] { return BuildLimitCard(1343, 1, 16777214); }, "00000140053FFFFFFED7DD42"},
        {"room set room 300 refused", [] { return BuildRoomSetCard(1343, 1, "105300"); }, "refused"},
        {"time set year 16 refused", [] { return BuildTimeSetCard(1343, 1, "1612311400"); }, "refused"},
        {"erase", [] { return std::optional<CardRecord>(EraseRecord()); }, "FFFFFFFFFFFFFFFFFFFFFFFF"},
    };
    for (const Worked &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(InFreshThread(c.build), c.expected);
    }
}

// Guest card arguments at both sides of every range, each with the rest valid.
TEST(CardRecord, GuestCardRangeEdges)
{
    struct Case {
        int32_t hotelId, cardNo;
        const char *lockNo, *time;
        int32_t generation, lLock;
        const char *expected;
    };
    const Case cases[] = {
        {-1, 1, "000000", "0001010000", 0, 0, "refused"},
        {16383, 1, "000000", "0001010000", 0, 0, "refused"},
        {16382, 1, "000000", "0001010000", 0, 0, "000001603FFE000000010100"},
        {0, 0, "000000", "0001010000", 0, 0, "refused"},
        {0, 16777215, "000000", "0001010000", 0, 0, "refused"},
        {0, -1, "000000", "0001010000", 0, 0, "refused"},
        {0, 16777214, "000000", "0001010000", 0, 0, "FFFFFE600000000000010100"},
        {0, 1, "800000", "0001010000", 0, 0, "refused"},
        {0, 1, "400000", "0001010000", 0, 0, "000001600000800000010100"},
        {0, 1, "064000", "0001010000", 0, 0, "refused"},
        {0, 1, "063000", "0001010000", 0, 0, "00000160000000FC00010100"},
        {0, 1, "000128", "0001010000", 0, 0, "refused"},
        {0, 1, "000300", "0001010000", 0, 0, "refused"},
        {0, 1, "000127", "0001010000", 0, 0, "0000016000007F0000010100"},
        {0, 1, "/00000", "0001010000", 0, 0, "refused"}, // building -1
        {0, 1, "000000", "1601010000", 0, 0, "refused"},
        {0, 1, "000000", "1501010000", 0, 0, "000001600000000000F10100"},
        {0, 1, "000000", "0000010000", 0, 0, "refused"},
        {0, 1, "000000", "0013010000", 0, 0, "refused"},
        {0, 1, "000000", "0012010000", 0, 0, "0000016000000000000C0100"},
        {0, 1, "000000", "0001000000", 0, 0, "refused"},
        {0, 1, "000000", "0001320000", 0, 0, "refused"},
        {0, 1, "000000", "0002310000", 0, 0, "000001600000000000021F00"},
        {0, 1, "000000", "0001012400", 0, 0, "refused"},
        {0, 1, "000000", "0001012300", 0, 0, "0000016000000000000101B8"},
        {0, 1, "000000", "0001010060", 0, 0, "refused"},
        {0, 1, "000000", "0001010059", 0, 0, "00000160000000000001E103"},
        {0, 1, "000000", "000101000/", 0, 0, "refused"}, // minute -1
        {0, 1, "000000", "0001010000", 256, 256, "000001600000000000010100"},
        {0, 1, "000000", "0001010000", 255, -1, "0000016800000000FF010100"},
        {0, 1, "00:000", "0001010000", 0, 0, "000001600000002800010100"}, // floor "0:" reads as 10
        {0, 1, "0000", "0001010000", 0, 0, "refused"},                       // text too short
        {0, 1, "000000", "000101000", 0, 0, "refused"},
        {0, 1, nullptr, "0001010000", 0, 0, "refused"},
        {0, 1, "000000", nullptr, 0, 0, "refused"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.lockNo ? c.lockNo : "null") + " " + (c.time ? c.time : "null") + " " +
                     std::to_string(c.hotelId) + "/" + std::to_string(c.cardNo));
        const std::string got =
            Text(BuildGuestCard(c.hotelId, c.cardNo, c.lockNo, c.time, c.generation, c.lLock));
        EXPECT_EQ(got, c.expected);
    }
}


// Period and time fields of the other builders at both sides of their ranges.
TEST(CardRecord, PeriodAndTimeRangeEdges)
{
    struct Case {
        const char *start, *end, *date;
        bool accepted;
    };
    const Case periods[] = {
        {"0000", "0000", "000101", true},  {"2359", "2359", "151231", true},
        {"0000", "0000", "160101", false}, {"0000", "0000", "000001", false},
        {"0000", "0000", "001301", false}, {"0000", "0000", "000100", false},
        {"0000", "0000", "000132", false}, {"2400", "0000", "000101", false},
        {"0060", "0000", "000101", false}, {"0000", "2400", "000101", false},
        {"0000", "0060", "000101", false}, {"000", "0000", "000101", false},
        {"0000", "0000", "00010", false},  {nullptr, "0000", "000101", false},
        {"0000", "0000", "0/0101", false}, // year -1
    };
    for (const Case &c : periods) {
        SCOPED_TRACE(std::string(c.start ? c.start : "null") + " " + c.end + " " + c.date);
        EXPECT_EQ(BuildBuildingCard(1, 1, "0", c.start, c.end, c.date).has_value(), c.accepted);
        EXPECT_EQ(BuildFloorCard(1, 1, "000", c.start, c.end, c.date).has_value(), c.accepted);
        EXPECT_EQ(BuildGroupCard(1, 1, 0, c.start, c.end, c.date).has_value(), c.accepted);
    }
    const struct {
        const char *time;
        bool accepted;
    } times[] = {
        {"0001010000", true},  {"1512312359", true},  {"1601010000", false}, {"0000010000", false},
        {"0013010000", false}, {"0001000000", false}, {"0001320000", false}, {"0001012400", false},
        {"0001010060", false}, {"000101000", false},  {nullptr, false},
    };
    for (const auto &c : times) {
        SCOPED_TRACE(c.time ? c.time : "null");
        EXPECT_EQ(BuildTimeSetCard(1, 1, c.time).has_value(), c.accepted);
    }
    const struct {
        const char *lockNo;
        bool accepted;
    } locks[] = {{"763127", true}, {"863127", false}, {"764127", false}, {"763128", false}, {"76312", false}};
    for (const auto &c : locks) {
        SCOPED_TRACE(c.lockNo);
        EXPECT_EQ(BuildRoomSetCard(1, 1, c.lockNo).has_value(), c.accepted);
    }
}

// Hotel id and card number bound every builder the same way.
TEST(CardRecord, HotelIdAndCardNumberEdgesOfEveryBuilder)
{
    const std::function<std::optional<CardRecord>(int32_t, int32_t)> builders[] = {
        [](int32_t h, int32_t c) { return BuildGuestCard(h, c, "105001", "0812311400", 0, 0); },
        BuildMasterCard,
        BuildEmergencyCard,
        [](int32_t h, int32_t c) { return BuildBuildingCard(h, c, "5", "0800", "2359", "081231"); },
        [](int32_t h, int32_t c) { return BuildFloorCard(h, c, "312", "0800", "2359", "081231"); },
        [](int32_t h, int32_t c) { return BuildGroupCard(h, c, 7, "0800", "2359", "081231"); },
        [](int32_t h, int32_t c) { return BuildGroupSetCard(h, c, 8, 7); },
        BuildCheckOutCard,
        [](int32_t h, int32_t c) { return BuildLimitCard(h, c, 200001); },
        BuildSystemCard,
        BuildSealCard,
        BuildRecordCard,
        [](int32_t h, int32_t c) { return BuildRoomSetCard(h, c, "105001"); },
        [](int32_t h, int32_t c) { return BuildTimeSetCard(h, c, "0812311400"); },
    };
    const struct {
        int32_t hotelId, cardNo;
        bool accepted;
    } edges[] = {{0, 1, true},         {16382, 16777214, true}, {-1, 1, false},
                 {16383, 1, false},    {0, 0, false},           {0, 16777215, false},
                 {0, -5, false},       {INT32_MIN, 1, false},   {0, INT32_MAX, false}};
    for (size_t i = 0; i < std::size(builders); ++i) {
        for (const auto &e : edges) {
            SCOPED_TRACE("builder " + std::to_string(i) + " hotel " + std::to_string(e.hotelId) + " card " +
                         std::to_string(e.cardNo));
            const auto record = builders[i](e.hotelId, e.cardNo);
            ASSERT_EQ(record.has_value(), e.accepted);
            if (record) {
                EXPECT_EQ((*record)[0] * 65536 + (*record)[1] * 256 + (*record)[2], e.cardNo);
            }
        }
    }
}

TEST(CardRecord, TextNumberReadsCharacterCodesByPosition)
{
    EXPECT_EQ(TextNumber("0A", 0, 2), 17);
    EXPECT_EQ(TextNumber("x105001", 4, 3), 1);
    EXPECT_EQ(TextNumber("105001", 1, 2), 5);
    EXPECT_EQ(TextNumber(" 1", 0, 2), -159);  // a blank is 32 - 48
    EXPECT_EQ(TextNumber("\xB0", 0, 1), 128); // codes above 127 count as unsigned
    EXPECT_EQ(TextNumber("12", 0, 3), std::nullopt); // the zero byte ends the text
    EXPECT_EQ(TextNumber(nullptr, 0, 1), std::nullopt);
    // Texts need no terminator: only the positions used are read.
    const char unterminated[6] = {'1', '0', '5', '0', '0', '1'};
    EXPECT_TRUE(BuildRoomSetCard(1, 1, unterminated).has_value());
}

std::vector<uint8_t> DrawFiller(int count)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(NextFillerByte());
    return bytes;
}

TEST(CardRecord, FillerStartsAtOneInEveryThreadAndIsNeverReseeded)
{
    const std::vector<uint8_t> first{0xD7, 0xDD, 0x42, 0x7C, 0x1F, 0x94};
    std::vector<uint8_t> a, b;
    // Two threads drawing at the same time each get the whole sequence from its start.
    std::thread ta([&] { a = DrawFiller(1000); });
    std::thread tb([&] { b = DrawFiller(1000); });
    ta.join();
    tb.join();
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::vector<uint8_t>(a.begin(), a.begin() + 6), first);

    // Two check-out cards in one thread get different filler; a refused call draws none.
    std::thread([&] {
        const std::string one = Text(BuildCheckOutCard(1343, 1));
        EXPECT_FALSE(BuildCheckOutCard(16383, 1).has_value());
        EXPECT_FALSE(BuildTimeSetCard(1343, 1, "1612311400").has_value());
        const std::string two = Text(BuildCheckOutCard(1343, 1));
        EXPECT_EQ(one, "00000170053FD7DD427C1F94");
        char expected[13];
        en24::HexText(a.data() + 6, 6, expected);
        EXPECT_EQ(two, std::string("00000170053F") + expected);
    }).join();

    // The limit card draws after its fixed fields, the time set card before its time.
    std::thread([] {
        EXPECT_EQ(Text(BuildLimitCard(1343, 1, 200001)), "00000140053F030D41D7DD42");
        EXPECT_EQ(Text(BuildTimeSetCard(1343, 1, "0812311400")), "00000130053F7C1F948C1F70");
    }).join();
}

} // namespace
} // namespace en24
