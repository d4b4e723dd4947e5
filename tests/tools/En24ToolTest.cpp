// en24, the card inspector: what it shows for every card kind, how it turns
// bad command lines and library results into messages and exit codes, and a
// few runs against the simulated encoder.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "EN24_C1.h"
#include "SimulatedComPort.h"
#include "En24Tool.h"

namespace {

using en24tool::RunEn24;

struct Outcome {
    int exitCode;
    std::string out, err;
};

Outcome En24(const std::vector<std::string> &args)
{
    std::ostringstream out, err;
    const int code = RunEn24(args, out, err);
    return {code, out.str(), err.str()};
}

TEST(Inspector, DecodeNamesEveryKindAndShowsItsFields)
{
    struct Case {
        const char *record;
        std::vector<const char *> lines; // each must appear in the output
        std::vector<const char *> absent; // fields this kind does not have
    };
    const Case cases[] = {
        {"030D4168053F0115038CFF73",
         {"guest card (byte 3 = 0x68, LLock set)", "card number     200001", "hotel id        1343",
          "lock number     105001 (building 1, floor 05, room 001)", "check-out       2008-12-31 14:59",
          "generation      3", "card info       6013431050010812311459"},
         {"period", "filler"}},
        {"000001600000000000010100", {"guest card (byte 3 = 0x60, LLock not set)", "check-out       2000-01-01 00:00"}, {}},
        {"000001B8053F000100FF1FFE", {"master card", "00 01 00 FF 1F FE (the fixed bytes of this kind)"},
         {"lock number", "check-out", "period"}},
        {"000001A8853F000100FF1FFE", {"emergency card", "hotel id        1343"}, {"note"}},
        {"000001D0453F8001408C1FBD",
         {"building card", "hotel id        1343", "building        5",
          "period          2008-12-31, 08:00 to 23:50 (minutes in tens)"},
         {"lock number", "check-out", "floor "}},
        {"000001C0053F0033408C1FBD", {"floor card", "building        3", "floor           12", "period          2008-12-31"},
         {"lock number"}},
        {"00000190053F0707408C1FBD", {"group card (byte 3 = 0x90)", "group number    7", "period          2008-12-31"},
         {"lock number"}},
        {"00000158053F070707070707", {"group set card (byte 3 = 0x58, group set type 8)", "group number    7"},
         {"period", "lock number"}},
        {"00000140053F030D41D7DD42", {"limit card", "limited card    200001", "D7 DD 42 (filler bytes"}, {"lock number"}},
        {"00000170053FD7DD427C1F94", {"check-out card", "D7 DD 42 7C 1F 94 (filler bytes"}, {"lock number", "check-out  "}},
        {"0000010F053F053FD7DD427C", {"system card", "hotel id again  1343", "D7 DD 42 7C (filler bytes"}, {"seal"}},
        {"0000010F0000FFFFD7DD427C", {"system card", "hotel id again  FF FF (hotel id 0)"}, {}},
        {"0000010F3FFF053FD7DD427C", {"seal card", "seal marker     3F FF", "hotel id        1343"}, {"again"}},
        {"0000010F3FFFFFFFD7DD427C", {"seal card", "hotel id        FF FF (hotel id 0)"}, {}},
        {"00000110053FD7DD427C1F94", {"record card", "bytes 6 to 11   D7 DD 42 7C 1F 94 (filler bytes"}, {"lock number"}},
        {"00000120053F0115D7DD427C", {"room set card", "lock number     105001", "D7 DD 42 7C (filler"}, {"check-out"}},
        {"00000130053FD7DD428C1F70", {"time set card", "time            2008-12-31 14:00", "D7 DD 42 (filler"}, {"lock number"}},
        {"ffffffffffffffffffffffff", {"erased card: all twelve bytes are FF, it holds no key"}, {"hotel id", "lock number"}},
        {"000000000000000000000000", {"not a known card kind (byte 3 is 0x00)"}, {"hotel id"}},
        {"000001E0053F000000000000", {"not a known card kind (byte 3 is 0xE0)"}, {}},
        // Flags that do not belong to the kind, and fields no builder writes, are pointed out.
        {"00000160853F0115038CFF73", {"guest card", "note            byte 4 carries kind flags 0x80; a guest card carries 0x00"}, {}},
        {"000001600000000000FF0100", {"2015-15-01 00:00 (not a valid date and time"}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.record);
        const Outcome run = En24({"decode", c.record});
        EXPECT_EQ(run.exitCode, en24tool::kExitOk);
        EXPECT_TRUE(run.err.empty()) << run.err;
        for (const char *line : c.lines)
            EXPECT_NE(run.out.find(line), std::string::npos) << "missing: " << line << "\n" << run.out;
        for (const char *field : c.absent)
            EXPECT_EQ(run.out.find(field), std::string::npos) << "unexpected: " << field << "\n" << run.out;
    }
}

TEST(Inspector, BadCommandLinesExitWithTwoAndSayWhy)
{
    struct Case {
        std::vector<std::string> args;
        const char *message;
    };
    const Case cases[] = {
        {{}, "usage: en24"},
        {{"decode"}, "decode takes one record"},
        {{"decode", "030D4168053F0115038CFF7"}, "24 hex digits"},
        {{"decode", "030D4168053F0115038CFF7G"}, "24 hex digits"},
        {{"decode", "030D4168053F0115038CFF73", "extra"}, "decode takes one record"},
        {{"frob"}, "unknown command \"frob\""},
        {{"read"}, "--port is missing"},
        {{"read", "--port", "0"}, "--port must be 1 to 8"},
        {{"read", "--port", "9"}, "--port must be 1 to 8"},
        {{"read", "--port", "one"}, "--port must be a whole number"},
        {{"read", "--port", "1", "--hotel", "1"}, "takes no --hotel"},
        {{"read", "--port"}, "--port needs a value"},
        {{"read", "port", "1"}, "unexpected argument \"port\""},
        {{"erase", "--port", "1", "--port", "2"}, "given twice"},
        {{"guest", "--port", "1", "--hotel", "1", "--card", "1", "--checkout", "0812311400"}, "--lock is missing"},
        {{"guest", "--port", "1", "--hotel", "1", "--card", "1", "--lock", "1050011", "--checkout", "0812311400"},
         "--lock must be 6 characters"},
        {{"guest", "--port", "1", "--hotel", "99999999999", "--card", "1", "--lock", "105001", "--checkout",
          "0812311400"},
         "--hotel must be a whole number"},
        {{"master", "--port", "1", "--hotel", "1"}, "--card is missing"},
        {{"master", "--port", "1", "--hotel", "1", "--card", "1", "--lock", "105001"}, "master takes no --lock"},
        {{"time-set", "--port", "1", "--hotel", "1", "--card", "1", "--time", "08123114"}, "--time must be 10"},
    };
    for (const Case &c : cases) {
        std::string joined;
        for (const auto &a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const Outcome run = En24(c.args);
        EXPECT_EQ(run.exitCode, en24tool::kExitUsage);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    const Outcome help = En24({"guest", "--help"});
    EXPECT_EQ(help.exitCode, en24tool::kExitOk);
    EXPECT_NE(help.out.find("Exit codes:"), std::string::npos);
}

// ---- Against the simulated encoder -----------------------------------------------

class InspectorOnSimulator : public ::testing::Test {
protected:
    void SetUp() override { sim_->SetReplyDelay(std::chrono::milliseconds(0)); }

    en24sim::SimulatedComPort sim_{2};
    en24sim::ComPathVariable nothingOnCom3_{3, sim_.Folder() + "/nothing-here"};
};

TEST_F(InspectorOnSimulator, GuestCardMadeThenRead)
{
    sim_->PutCard({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
    const Outcome made = En24({"guest", "--port", "2", "--hotel", "1343", "--card", "200001", "--lock", "105001",
                           "--checkout", "0812311459", "--generation", "3", "--llock"});
    EXPECT_EQ(made.exitCode, en24tool::kExitOk) << made.err;
    EXPECT_NE(made.out.find("guest card written and verified"), std::string::npos);
    EXPECT_NE(made.out.find("record          030D4168053F0115038CFF73"), std::string::npos) << made.out;

    const Outcome read = En24({"read", "--port", "2"});
    EXPECT_EQ(read.exitCode, en24tool::kExitOk) << read.err;
    EXPECT_NE(read.out.find("lock number     105001"), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("check-out       2008-12-31 14:59"), std::string::npos) << read.out;
}

TEST_F(InspectorOnSimulator, LibraryResultsBecomeMessagesAndExitCodes)
{
    // Refused by the library: nothing reaches the encoder.
    Outcome run = En24({"guest", "--port", "2", "--hotel", "16383", "--card", "1", "--lock", "105001", "--checkout",
                    "0812311400"});
    EXPECT_EQ(run.exitCode, en24tool::kExitRefused);
    EXPECT_NE(run.err.find("refused an argument"), std::string::npos);
    EXPECT_TRUE(sim_->Frames().empty());

    // No card on the encoder.
    run = En24({"erase", "--port", "2"});
    EXPECT_EQ(run.exitCode, en24tool::kExitNoCard);
    EXPECT_NE(run.err.find("no card on the encoder"), std::string::npos);
    run = En24({"read", "--port", "2"});
    EXPECT_EQ(run.exitCode, en24tool::kExitNoCardData);
    EXPECT_NE(run.err.find("read no card data (reply status 00)"), std::string::npos) << run.err;

    // A card that will not take the write.
    sim_->PutCard({0x03, 0x0D, 0x41, 0x68, 0x05, 0x3F, 0x01, 0x15, 0x03, 0x8C, 0xFF, 0x73});
    sim_->SetFault(en24sim::Fault::RefuseWrite);
    run = En24({"master", "--port", "2", "--hotel", "1343", "--card", "1"});
    EXPECT_EQ(run.exitCode, en24tool::kExitMismatch);
    EXPECT_NE(run.out.find("record 000001B8053F000100FF1FFE (not on the card)"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("differs"), std::string::npos);

    // Line settings the port refuses; a reply that comes short.
    run = En24({"read", "--port", "2", "--baud", "12345"});
    EXPECT_EQ(run.exitCode, en24tool::kExitSetState);
    EXPECT_NE(run.err.find("result -83"), std::string::npos) << run.err;
    sim_->SetFault(en24sim::Fault::ShortReply);
    run = En24({"read", "--port", "2"});
    EXPECT_EQ(run.exitCode, en24tool::kExitReadFailed);
    EXPECT_NE(run.err.find("result -86"), std::string::npos) << run.err;
    sim_->SetFault(en24sim::Fault::None);

    // No such port; the port held by another program.
    run = En24({"read", "--port", "3"});
    EXPECT_EQ(run.exitCode, en24tool::kExitOpenFailed);
    EXPECT_NE(run.err.find("result -80"), std::string::npos);
    const int32_t held = OpenPort(2, 9600);
    ASSERT_GT(held, 0);
    run = En24({"read", "--port", "2"});
    EXPECT_EQ(run.exitCode, en24tool::kExitAccessDenied);
    run = En24({"records", "--port", "2"});
    EXPECT_EQ(run.exitCode, en24tool::kExitOpenFailed);
    EXPECT_EQ(ClosePort(held), EN24_OK);
}

} // namespace
