#include "Frame.h"

#include "FakePort.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using en24::BuildFrame;
using en24::CheckByte;
using en24::Command;
using en24::testing::Bytes;
using en24::testing::Hex;

namespace {

struct FrameCase {
    const char *name;
    Command command;
    Bytes data;         // data bytes after the command code
    const char *frame;  // the whole frame as hex text
};

const FrameCase kFrameCases[] = {
    {"buzzer", Command::Buzzer, {0x14}, "AA0280143C"},
    {"read card", Command::ReadCard, {}, "AA01E44F"},
    {"read card with serial", Command::ReadCardSN, {}, "AA0153F8"},
    // Erase record: twelve 0xFF cancel out in pairs, leaving the seed AA ^ 0D ^ EC.
    {"write erase record", Command::WriteCard, Bytes(12, 0xFF), "AA0DECFFFFFFFFFFFFFFFFFFFFFFFF4B"},
    {"write zero record", Command::WriteCard, Bytes(12, 0x00), "AA0DEC0000000000000000000000004B"},
    // 0x4B ^ 03 ^ 0D ^ 41 ^ 68 ^ 05 ^ 3F ^ 01 ^ 15 ^ 03 ^ 8C ^ FF ^ 73
    {"write guest record", Command::WriteCard,
     {0x03, 0x0D, 0x41, 0x68, 0x05, 0x3F, 0x01, 0x15, 0x03, 0x8C, 0xFF, 0x73},
     "AA0DEC030D4168053F0115038CFF7341"},
};

TEST(Frame, BuildsEveryCommandWithItsCheckByte)
{
    for (const FrameCase &c : kFrameCases) {
        SCOPED_TRACE(c.name);
        const en24::Frame frame = BuildFrame(c.command, c.data);
        EXPECT_EQ(Hex(frame.view()), c.frame);
        EXPECT_EQ(frame.bytes[1], c.data.size() + 1);
        // The check byte makes the XOR over the whole frame zero.
        EXPECT_EQ(CheckByte(frame.view()), 0);
    }
}

TEST(Frame, WriteCheckByteIsSeedFoldedWithRecord)
{
    Bytes record{0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x9F, 0xA0, 0x5C};
    uint8_t expected = 0x4B;
    for (uint8_t byte : record)
        expected ^= byte;
    const en24::Frame frame = BuildFrame(Command::WriteCard, record);
    ASSERT_EQ(frame.size, 16u);
    EXPECT_EQ(frame.bytes[15], expected);
}

TEST(Frame, RefusesDataLongerThanACardRecord)
{
    EXPECT_EQ(BuildFrame(Command::WriteCard, Bytes(13, 0x01)).size, 0u);
}

TEST(Frame, CheckByteIsXorOfAllBytes)
{
    struct {
        Bytes bytes;
        uint8_t check;
    } cases[] = {
        {{}, 0x00},
        {{0xAA}, 0xAA},
        {{0xAA, 0x01, 0xE4}, 0x4F},
        {{0xAA, 0x0D, 0xEC}, 0x4B},
        {{0xFF, 0xFF}, 0x00},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Hex(c.bytes));
        EXPECT_EQ(CheckByte(c.bytes), c.check);
    }
}

TEST(HexText, UpperCaseHighNibbleFirstWithZeroByte)
{
    struct {
        Bytes bytes;
        std::string text;
    } cases[] = {
        {{0x00, 0x9F, 0xA0, 0xFF}, "009FA0FF"},
        {{}, ""},
        {{0x0A, 0xB0, 0x12, 0xCD, 0x34, 0xEF, 0x56, 0x78}, "0AB012CD34EF5678"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<char> text(2 * c.bytes.size() + 2, '#');
        en24::HexText(c.bytes.data(), c.bytes.size(), text.data());
        EXPECT_EQ(std::string(text.data()), c.text);
        EXPECT_EQ(text[2 * c.bytes.size() + 1], '#') << "wrote past the zero byte";
    }
}

} // namespace
