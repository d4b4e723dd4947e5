// The library's link exports against the encoder simulator on a
// pseudo-terminal, at the encoder's real pace.
#include "EN24_C1.h"

#include "HexBytes.h"
#include "SimulatedComPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;
using en24sim::EncoderSimulator;
using en24sim::Fault;

const EncoderSimulator::Record kGuestRecord{0x03, 0x0D, 0x41, 0x68, 0x05, 0x3F,
                                            0x01, 0x15, 0x03, 0x8C, 0xFF, 0x73};

double SecondsSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

// A simulator linked as COM1 in a directory of the test's own, opened.
class LinkOnSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle_ = OpenPort(1, 9600);
        ASSERT_GT(handle_, 0);
    }
    void TearDown() override
    {
        if (handle_ > 0) {
            EXPECT_EQ(ClosePort(handle_), EN24_OK);
        }
    }

    en24sim::SimulatedComPort sim_{1};
    int32_t handle_ = 0;
};

TEST_F(LinkOnSimulator, ReadsTheCardOnTheEncoder)
{
    sim_->PutCard(kGuestRecord);
    char text[41];
    ASSERT_EQ(ReadCard(handle_, text), EN24_OK);
    const std::string read(text);
    ASSERT_EQ(read.size(), 40u);
    EXPECT_EQ(read.substr(0, 2), "55");
    EXPECT_EQ(read.substr(4, 2), "01");
    EXPECT_EQ(read.substr(6, 24), "030D4168053F0115038CFF73");

    char serialText[49];
    ASSERT_EQ(ReadCardSN(handle_, serialText), EN24_OK);
    EXPECT_EQ(std::string(serialText).size(), 48u);
    EXPECT_EQ(std::string(serialText).substr(0, 2), "55");
    EXPECT_EQ(std::string(serialText).substr(4, 26), read.substr(4, 26));

    sim_->RemoveCard();
    ASSERT_EQ(ReadCard(handle_, text), EN24_OK); // a reply came, without card data
    EXPECT_EQ(std::string(text).substr(4, 2), "00");
}

TEST_F(LinkOnSimulator, EncoderSeesEveryFrameWithItsCheckByte)
{
    sim_->PutCard(EncoderSimulator::Record{});
    char text[49];
    ASSERT_EQ(Buzzer(handle_), EN24_OK);
    ASSERT_EQ(ReadCard(handle_, text), EN24_OK);
    ASSERT_EQ(ReadCardSN(handle_, text), EN24_OK);
    ASSERT_EQ(WriteRFData(handle_, kGuestRecord.data()), EN24_OK);
    ASSERT_EQ(ReadCard(handle_, text), EN24_OK);

    std::vector<std::string> frames;
    for (const auto &frame : sim_->Frames())
        frames.push_back(en24sim::ToHex(frame));
    EXPECT_EQ(frames, (std::vector<std::string>{"AA0280143C", "AA01E44F", "AA0153F8",
                                                 "AA0DEC030D4168053F0115038CFF7341", "AA01E44F"}));
    EXPECT_EQ(sim_->BadCheckCount(), 0);
    EXPECT_EQ(sim_->OverlapCount(), 0);
    EXPECT_EQ(sim_->BeepCount(), 1);
    // The write took, and the next read hands it back.
    EXPECT_EQ(sim_->Card(), kGuestRecord);
    EXPECT_EQ(std::string(text).substr(6, 24), "030D4168053F0115038CFF73");
}

TEST_F(LinkOnSimulator, SilentEncoderIsMinus99AfterAboutTwoSeconds)
{
    sim_->SetFault(Fault::Silence);
    char text[41] = "untouched";
    const auto start = SteadyClock::now();
    EXPECT_EQ(ReadCard(handle_, text), EN24_ERR_NO_REPLY);
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 1.95);
    EXPECT_LT(seconds, 3.0);
    EXPECT_STREQ(text, "untouched");
}

TEST_F(LinkOnSimulator, NoiseBeforeTheSyncByteAndShortReplies)
{
    sim_->PutCard(kGuestRecord);
    char text[41];
    sim_->SetFault(Fault::NoiseBeforeSync);
    ASSERT_EQ(ReadCard(handle_, text), EN24_OK);
    EXPECT_EQ(std::string(text).substr(0, 2), "55");
    EXPECT_EQ(std::string(text).substr(4, 26), "01030D4168053F0115038CFF73");

    std::snprintf(text, sizeof text, "untouched");
    sim_->SetFault(Fault::ShortReply);
    EXPECT_EQ(ReadCard(handle_, text), EN24_ERR_READ);
    EXPECT_STREQ(text, "untouched");

    sim_->SetFault(Fault::None);
    EXPECT_EQ(ReadCard(handle_, text), EN24_OK); // the port is usable again
}

TEST_F(LinkOnSimulator, HangUpWhileWaitingForTheReplyIsAFailedRead)
{
    sim_->PutCard(kGuestRecord);
    sim_->SetReplyDelay(std::chrono::milliseconds(1500));
    std::thread unplug([this] {
        sim_->WaitForFrames(1, std::chrono::seconds(2));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        sim_->HangUp();
    });
    char text[41] = "untouched";
    const auto start = SteadyClock::now();
    EXPECT_EQ(ReadCard(handle_, text), EN24_ERR_READ);
    unplug.join();
    EXPECT_LT(SecondsSince(start), 1.0); // not the 2 s of 200 empty polls
    EXPECT_STREQ(text, "untouched");

    // The device is gone: every later exchange fails at once, none waits for ever.
    EXPECT_EQ(ReadCard(handle_, text), EN24_ERR_READ);
    EXPECT_EQ(WriteRFData(handle_, kGuestRecord.data()), EN24_ERR_READ);
    EXPECT_EQ(Buzzer(handle_), EN24_ERR_WRITE);
    EXPECT_EQ(OpenPort(1, 9600), EN24_ERR_OPEN);
}

TEST_F(LinkOnSimulator, DeviceThatGoesAwayOnACommand)
{
    sim_->SetFault(Fault::HangUp);
    char text[41];
    EXPECT_EQ(ReadCard(handle_, text), EN24_ERR_READ);
    EXPECT_TRUE(sim_->HungUp());
}

TEST_F(LinkOnSimulator, HeldPortIsMinus81AndMissingPortMinus80)
{
    EXPECT_EQ(OpenPort(1, 9600), EN24_ERR_ACCESS);
    EXPECT_EQ(OpenPort(65537, 9600), EN24_ERR_ACCESS); // low 16 bits: COM1 again

    {
        const en24sim::ComPathVariable missing(2, sim_.Folder() + "/COM2");
        EXPECT_EQ(OpenPort(2, 9600), EN24_ERR_OPEN);
    }

    ASSERT_EQ(ClosePort(handle_), EN24_OK);
    handle_ = OpenPort(1, 9600);
    EXPECT_GT(handle_, 0);
}

} // namespace
