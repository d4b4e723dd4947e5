// The encoder-backed lock driver on its own, against the encoder simulator
// on COM3: which port it opens, what it logs, how it holds and lets go of the
// port, and how a card write that cannot start leaves things.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "ClientMdb.h"
#include "SimulatedComPort.h"
#include "IniFileUnit.h"
#include "NorvikDoorLockUnit.h"
#include "ServiceStateUnit.h"
#include "ServiceTestSupport.h"

namespace {

constexpr uint8_t BuzzerCommand = 0x80;
constexpr uint8_t ReadCommand = 0xE4;

class NorvikDoorLockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetNorvikPortHandle();
        WriteOptionIni(Dir.Path(), {{"DoorlockOption", {"PortName=COM3", "HotelID=1343",
                                                        "CurrentCardNo=1234"}}});
        CreateClientMdb(Dir.Path() + "Client.mdb");
        Sim->PutCard({0x00, 0x04, 0xD3, 0x60, 0x05, 0x3F, 0x65, 0x04, 0x01, 0x86, 0x16, 0x60});
        State.emplace(Dir.Path());
        Lock = std::make_unique<TNorvikDoorLock>(State->Option, State->LogFile);
    }

    void TearDown() override
    {
        ResetNorvikPortHandle();
    }

    // The commands of the frames the encoder received, in order.
    std::vector<uint8_t> Commands() const
    {
        std::vector<uint8_t> commands;
        for (const auto &frame : Sim->Frames())
            if (frame.size() > 2)
                commands.push_back(frame[2]);
        return commands;
    }

    // A card read through the driver: when it is answered, every frame sent
    // before it has reached the encoder.
    void ReadThrough()
    {
        int64_t cardNo = 0;
        ASSERT_TRUE(Lock->ReadCard(cardNo));
        ASSERT_EQ(cardNo, 1235);
    }

    std::vector<std::string> Log() const { return LogMessages(Dir.Path()); }

    TTempDir Dir;
    // Only COM3 leads to the encoder.
    en24sim::SimulatedComPort Sim{3};
    en24sim::ComPathVariable NoPortOnCom1{1, Dir.Path() + "no-such-port"};
    std::optional<TServiceState> State;
    std::unique_ptr<TNorvikDoorLock> Lock;
};

} // namespace

TEST_F(NorvikDoorLockTest, OpensThePortNamedByPortNameAndHoldsItUntilClosed)
{
    // Before any open there is no port: the buzzer stays silent, nothing is logged.
    Lock->Beep();
    EXPECT_FALSE(NorvikPortOpen());

    EXPECT_TRUE(Lock->OpenDevice());
    EXPECT_TRUE(NorvikPortOpen());
    EXPECT_GT(NorvikPortHandle(), 0);
    // Opening again lets go of the port first: the encoder's port is taken
    // for exclusive use, so a second open beside the first would fail.
    EXPECT_TRUE(Lock->OpenDevice());
    Lock->Beep();
    EXPECT_TRUE(Lock->CloseDevice());
    EXPECT_FALSE(NorvikPortOpen());
    EXPECT_TRUE(Lock->CloseDevice()); // always true, also with nothing to close

    ReadThrough();
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{BuzzerCommand, ReadCommand}));
    EXPECT_EQ(Log(), (std::vector<std::string>{"串口COM3打开成功", "串口COM3打开成功",
                                               "串口COM3打开成功", "读卡成功,卡号为:1235"}));
}

TEST_F(NorvikDoorLockTest, AClosedPortsDescriptorIsNeitherWrittenToNorClosedAgain)
{
    ASSERT_TRUE(Lock->OpenDevice());
    const int32_t handle = NorvikPortHandle();
    ASSERT_TRUE(Lock->CloseDevice());

    // The freed descriptor number goes to the next file the process opens;
    // here that file leads to the encoder too, so a stray buzzer would show.
    const int reused = ::open(Sim->LinkPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(reused, handle) << "the descriptor number was not reused";
    Lock->Beep();
    EXPECT_TRUE(Lock->CloseDevice());
    EXPECT_NE(::fcntl(reused, F_GETFD), -1) << "the reused descriptor was closed";
    ::close(reused);

    ReadThrough();
    EXPECT_EQ(Commands(), std::vector<uint8_t>{ReadCommand});
}

TEST_F(NorvikDoorLockTest, APortThatCannotBeOpenedIsLoggedAndTheReadFailsWithTheCode)
{
    setenv("EN24_COM3", (Dir.Path() + "no-such-port").c_str(), 1);
    EXPECT_FALSE(Lock->OpenDevice());
    EXPECT_FALSE(NorvikPortOpen());
    EXPECT_LT(NorvikPortHandle(), 0); // the library's code stays in the handle
    int64_t cardNo = 0;
    EXPECT_FALSE(Lock->ReadCard(cardNo));
    EXPECT_LT(cardNo, 0);
    EXPECT_EQ(Log(), (std::vector<std::string>{"串口COM3打开失败", "串口COM3打开失败",
                                               "读卡失败, 错误代码 r=" + std::to_string(cardNo)}));
    EXPECT_TRUE(Sim->Frames().empty());
}

TEST_F(NorvikDoorLockTest, ReadingWithoutACardLeavesTheLibrarysCodeInCardNo)
{
    Sim->RemoveCard();
    int64_t cardNo = 4711;
    EXPECT_FALSE(Lock->ReadCard(cardNo));
    EXPECT_LE(cardNo, 0);
    EXPECT_FALSE(NorvikPortOpen());
    EXPECT_EQ(Log(), (std::vector<std::string>{"串口COM3打开成功",
                                               "读卡失败, 错误代码 r=" + std::to_string(cardNo)}));
}

TEST_F(NorvikDoorLockTest, AWriteThatCannotStartLetsGoOfThePort)
{
    struct {
        const char *name;
        std::string hotelId;
        bool unwritableOptions;
        int64_t counterAfter; // in memory
    } cases[] = {
        {"hotel id not a number", "13x", false, 1234},
        {"counter cannot be saved", "1343", true, 1235},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        State->Option.HotelID = c.hotelId;
        State->Option.CurrentCardNo = 1234;
        const std::string optionFile = State->Option.FileName;
        if (c.unwritableOptions)
            State->Option.FileName = Dir.Path() + "missing-folder/Option.ini";
        const size_t logBefore = Log().size();
        int64_t cardNo = -7;
        if (c.unwritableOptions) {
            EXPECT_THROW(Lock->WriteCard("R1", "0", "01", "101", "G", 0, 0, 0, 0, false, cardNo),
                         EIniFileError);
        } else {
            EXPECT_THROW(Lock->WriteCard("R1", "0", "01", "101", "G", 0, 0, 0, 0, false, cardNo),
                         EConvertError);
        }
        State->Option.FileName = optionFile;
        EXPECT_EQ(cardNo, -7);
        EXPECT_EQ(State->Option.CurrentCardNo, c.counterAfter);
        EXPECT_EQ(IniValue(Dir.Path(), "CurrentCardNo"), "1234");
        EXPECT_FALSE(NorvikPortOpen());
        const auto log = Log();
        EXPECT_EQ(std::vector<std::string>(log.begin() + static_cast<long>(logBefore), log.end()),
                  std::vector<std::string>{"串口COM3打开成功"});
    }
    EXPECT_TRUE(Sim->Frames().empty());
    // The port is free for the next operation.
    ReadThrough();
}
