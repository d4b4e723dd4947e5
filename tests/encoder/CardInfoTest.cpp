// Decoding card records: the card info text of GetCardInfo and the kind and
// fields of every record a builder writes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "CardInfo.h"

namespace en24 {
namespace {

// A read-card reply as the library writes it: sync byte, byte 1, status,
// record, five more bytes.
std::string ReadText(const std::string &status, const std::string &record)
{
    return "55" + std::string("0A") + status + record + "0102030405";
}

TEST(CardInfo, DecodesAtTheGuestCardPositions)
{
    struct Case {
        const char *name;
        const char *record;   // 24 hex characters on the card
        int32_t cardNo;       // result
        const char *info;     // positions 0 to 21
    };
    const Case cases[] = {
        {"erased", "FFFFFFFFFFFFFFFFFFFFFFFF", 16777215, "F163837631271515313163"},
        {"guest", "030D4168053F0115038CFF73", 200001, "6013431050010812311459"},
        {"all zero", "000000000000000000000000", 0, "0000000000000000000000"},
        {"master", "000001B8053F000100FF1FFE", 1, "B013431000001515313106"},
        {"guest 0x60", "000001600000000000010100", 1, "6000000000000001010000"},
        {"group set 0x5C", "0000015C053F070707070707", 1, "5013433010070007070007"},
        {"group set 0x50", "00000150053F070707070707", 1, "5013433010070007070007"},
        {"system", "0000010F053F053FD7DD427C", 1, "0013433150051313021520"},
        {"seal: hotel id 16383", "0000010F3FFF053FD7DD427C", 1, "0163833150051313021520"},
        {"emergency: flag dropped", "000001A8BFFE000100FF1FFE", 1, "A163821000001515313106"},
        {"building: flag dropped", "000001D0453F8001408C1FBD", 1, "D013435000000812312305"},
        {"largest guest", "FFFFFE603FFEFFFFFFFCFFBB", 16777214, "6163827631271512312359"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string readText = ReadText("01", c.record);
        char info[63];
        std::memset(info, '?', sizeof info);
        EXPECT_EQ(DecodeCardInfo(readText.c_str(), info), c.cardNo);
        EXPECT_EQ(std::string(info, 22), c.info);
        EXPECT_EQ(info[22], '?'); // nothing written beyond the fields
    }
}

TEST(CardInfo, NoCardDataLeavesTheFieldsUntouched)
{
    for (const char *status : {"00", "02", "FF", "10"}) {
        SCOPED_TRACE(status);
        const std::string readText = ReadText(status, "030D4168053F0115038CFF73");
        char info[22];
        std::memset(info, '?', sizeof info);
        EXPECT_EQ(DecodeCardInfo(readText.c_str(), info), 0);
        EXPECT_EQ(std::string(info, 22), std::string(22, '?'));
    }
}

TEST(CardInfo, EveryBuiltKindIsNamed)
{
    struct Case {
        std::optional<CardRecord> record;
        CardKind kind;
        const char *name;
    };
    const Case cases[] = {
        {EraseRecord(), CardKind::Erased, "erased card"},
        {BuildSystemCard(1343, 1), CardKind::System, "system card"},
        {BuildSystemCard(0, 1), CardKind::System, "system card"},
        {BuildSealCard(1343, 1), CardKind::Seal, "seal card"},
        {BuildRecordCard(1343, 1), CardKind::Record, "record card"},
        {BuildRoomSetCard(1343, 1, "105001"), CardKind::RoomSet, "room set card"},
        {BuildTimeSetCard(1343, 1, "0812311400"), CardKind::TimeSet, "time set card"},
        {BuildLimitCard(1343, 1, 200001), CardKind::Limit, "limit card"},
        {BuildGroupSetCard(1343, 1, 0, 7), CardKind::GroupSet, "group set card"},
        {BuildGroupSetCard(1343, 1, 12, 7), CardKind::GroupSet, "group set card"},
        {BuildGuestCard(1343, 1, "105001", "0812311400", 0, 0), CardKind::Guest, "guest card"},
        {BuildGuestCard(1343, 1, "105001", "0812311400", 0, 1), CardKind::Guest, "guest card"},
        {BuildCheckOutCard(1343, 1), CardKind::CheckOut, "check-out card"},
        {BuildGroupCard(1343, 1, 7, "0800", "2359", "081231"), CardKind::Group, "group card"},
        {BuildEmergencyCard(1343, 1), CardKind::Emergency, "emergency card"},
        {BuildMasterCard(1343, 1), CardKind::Master, "master card"},
        {BuildFloorCard(1343, 1, "312", "0800", "2359", "081231"), CardKind::Floor, "floor card"},
        {BuildBuildingCard(1343, 1, "5", "0800", "2359", "081231"), CardKind::Building, "building card"},
        {ParseRecordText("000000000000000000000000"), CardKind::Unknown, "unknown card kind"},
        {ParseRecordText("000001540000000000000000"), CardKind::GroupSet, "group set card"},
        {ParseRecordText("000001520000000000000000"), CardKind::Unknown, "unknown card kind"},
        {ParseRecordText("FFFFFFFFFFFFFFFFFFFFFFFE"), CardKind::Unknown, "unknown card kind"},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(c.record.has_value());
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KindOf(*c.record), c.kind);
        EXPECT_STREQ(KindName(KindOf(*c.record)), c.name);
        if (c.kind != CardKind::Erased && c.kind != CardKind::Unknown) {
            EXPECT_EQ(KindFlagsOf(*c.record), ExpectedKindFlags(c.kind));
        }
    }
}

TEST(CardInfo, FieldsUnpackAsTheyWerePacked)
{
    const auto guest = BuildGuestCard(16382, 16777214, "763127", "1512312359", 255, 0);
    ASSERT_TRUE(guest);
    EXPECT_EQ(CardNumberOf(*guest), 16777214);
    EXPECT_EQ(HotelIdOf(*guest), 16382);
    const LockNumber lock = UnpackLockNumber((*guest)[6], (*guest)[7]);
    EXPECT_EQ(lock.building, 7);
    EXPECT_EQ(lock.floor, 63);
    EXPECT_EQ(lock.room, 127);
    const PackedTimeFields time = UnpackTime(guest->data() + 9);
    EXPECT_EQ(time.year, 15);
    EXPECT_EQ(time.month, 12);
    EXPECT_EQ(time.day, 31);
    EXPECT_EQ(time.hour, 23);
    EXPECT_EQ(time.minute, 59);

    const auto building = BuildBuildingCard(16382, 1, "5", "0859", "2301", "081231");
    ASSERT_TRUE(building);
    EXPECT_EQ(HotelIdOf(*building), 16382);
    const PeriodFields period = UnpackPeriod(building->data() + 8);
    EXPECT_EQ(period.year, 8);
    EXPECT_EQ(period.month, 12);
    EXPECT_EQ(period.day, 31);
    EXPECT_EQ(period.startHour, 8);
    EXPECT_EQ(period.startMinute, 50);
    EXPECT_EQ(period.endHour, 23);
    EXPECT_EQ(period.endMinute, 0);
}

TEST(CardInfo, RecordTextParsing)
{
    EXPECT_TRUE(ParseRecordText("030d4168053f0115038cff73"));
    EXPECT_EQ(ParseRecordText("030D4168053F0115038CFF73"), ParseRecordText("030d4168053f0115038cff73"));
    EXPECT_FALSE(ParseRecordText("030D4168053F0115038CFF7"));
    EXPECT_FALSE(ParseRecordText("030D4168053F0115038CFF733"));
    EXPECT_FALSE(ParseRecordText("030D4168053F0115038CFF7G"));
    EXPECT_FALSE(ParseRecordText(""));
}

} // namespace
} // namespace en24
