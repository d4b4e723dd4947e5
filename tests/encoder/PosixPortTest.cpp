// The POSIX serial port on pseudo-terminals and other files: naming, opening,
// line settings, the failures of opening, reads and hang-ups.
#include "PosixPort.h"

#include "EN24_C1.h"
#include "SimulatedComPort.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The master side of a fresh pseudo-terminal; SlavePath() opens like a serial port.
class Pty {
public:
    Pty()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0)
            slave_ = ::ptsname(master_);
    }
    ~Pty() { CloseMaster(); }
    bool Ok() const { return !slave_.empty(); }
    const std::string &SlavePath() const { return slave_; }
    int Master() const { return master_; }
    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slave_;
};

// Sets EN24_COM<n> for one test and restores it afterwards.
using ComEnv = en24sim::ComPathVariable;

// The lowest free descriptor number: unchanged after a failed open means the
// open closed what it had opened.
int LowestFreeDescriptor()
{
    const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(fd);
    return fd;
}

TEST(PortPath, LowSixteenBitsPickTheComPortAndOthersMeanCom1)
{
    for (int n = 1; n <= 8; ++n)
        ::unsetenv(("EN24_COM" + std::to_string(n)).c_str());
    struct {
        int32_t portNo;
        const char *path;
    } cases[] = {
        {1, "/dev/ttyS0"},     {8, "/dev/ttyS7"},     {3, "/dev/ttyS2"},      {0, "/dev/ttyS0"},
        {9, "/dev/ttyS0"},     {-1, "/dev/ttyS0"},    {65538, "/dev/ttyS1"},  {65536, "/dev/ttyS0"},
        {0x7FFF0004, "/dev/ttyS3"}, {-65535, "/dev/ttyS0"}, // -65535 is 0xFFFF0001: COM1
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.portNo);
        EXPECT_STREQ(en24::PortPath(c.portNo), c.path);
    }
}

TEST(PortPath, EnvironmentNamesTheDevice)
{
    ComEnv com2(2, "/tmp/encoder-on-com2");
    EXPECT_STREQ(en24::PortPath(2), "/tmp/encoder-on-com2");
    EXPECT_STREQ(en24::PortPath(65538), "/tmp/encoder-on-com2");
    ComEnv com1(1, "");
    EXPECT_STREQ(en24::PortPath(9), "/dev/ttyS0"); // empty: the default
}

TEST(OpenPosixPort, SetsRaw8N1AtTheSpeedAndKeepsTheRest)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    // What "the driver had": a handshake flag, a special character, cooked mode.
    {
        const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios before{};
        ASSERT_EQ(::tcgetattr(fd, &before), 0);
        before.c_cflag |= PARENB | CSTOPB | HUPCL;
        before.c_iflag |= IXON | IXOFF | ICRNL;
        before.c_lflag |= ICANON | ECHO;
        before.c_cc[VINTR] = 0x07;
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &before), 0);
        ::close(fd);
    }
    ComEnv com4(4, pty.SlavePath());
    const int32_t handle = en24::OpenPosixPort(4, 1200);
    ASSERT_GT(handle, 0);
    termios after{};
    ASSERT_EQ(::tcgetattr(handle, &after), 0);
    EXPECT_EQ(::cfgetospeed(&after), static_cast<speed_t>(B1200));
    EXPECT_EQ(::cfgetispeed(&after), static_cast<speed_t>(B1200));
    EXPECT_EQ(after.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(after.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_EQ(after.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(after.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_NE(after.c_cflag & HUPCL, 0u);
    EXPECT_EQ(after.c_cc[VINTR], 0x07);
    EXPECT_EQ(en24::ClosePosixPort(handle), EN24_OK);
}

TEST(OpenPosixPort, FailuresCloseWhatWasOpened)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    char fileTemplate[] = "/tmp/en24-not-a-port-XXXXXX";
    const int file = ::mkstemp(fileTemplate);
    ASSERT_GE(file, 0);
    ::close(file);

    struct {
        const char *name;
        std::string path;
        int32_t baudRate;
        int32_t result;
    } cases[] = {
        {"missing device", "/tmp/en24-no-such-port/COM5", 9600, EN24_ERR_OPEN},
        {"a directory", "/tmp", 9600, EN24_ERR_OPEN},
        {"a regular file: no line settings", fileTemplate, 9600, EN24_ERR_GET_STATE},
        {"a speed the line cannot take", pty.SlavePath(), 12345, EN24_ERR_SET_STATE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ComEnv com5(5, c.path);
        const int lowest = LowestFreeDescriptor();
        EXPECT_EQ(en24::OpenPosixPort(5, c.baudRate), c.result);
        EXPECT_EQ(LowestFreeDescriptor(), lowest);
    }
    ::unlink(fileTemplate);
}

TEST(OpenPosixPort, HeldPortIsAccessDenied)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ComEnv com1(1, pty.SlavePath());
    const int32_t first = en24::OpenPosixPort(1, 9600);
    ASSERT_GT(first, 0);
    EXPECT_EQ(en24::OpenPosixPort(1, 9600), EN24_ERR_ACCESS);
    ASSERT_EQ(en24::ClosePosixPort(first), EN24_OK);
    // Free again once closed.
    const int32_t again = en24::OpenPosixPort(1, 9600);
    EXPECT_GT(again, 0);
    EXPECT_EQ(en24::ClosePosixPort(again), EN24_OK);
}

// Runs check as user nobody in a child process when we are root (root may
// open anything and ignores TIOCEXCL), else right here. check returns 0 for
// success, else a small number to report.
int AsOrdinaryUser(const std::string &device, int (*check)())
{
    if (::geteuid() != 0)
        return check();
    const passwd *nobody = ::getpwnam("nobody");
    if (nobody == nullptr || ::chown(device.c_str(), nobody->pw_uid, nobody->pw_gid) != 0)
        return 201;
    const pid_t child = ::fork();
    if (child < 0)
        return 202;
    if (child == 0) {
        if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(203);
        ::_exit(check());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return 204;
    return WEXITSTATUS(status);
}

TEST(OpenPosixPort, PortWithoutPermissionIsAccessDenied)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ComEnv com1(1, pty.SlavePath());
    // The device belongs to the user who runs the check, with no rights for anyone.
    ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0000), 0);
    EXPECT_EQ(AsOrdinaryUser(pty.SlavePath(), [] { return -en24::OpenPosixPort(1, 9600); }), -EN24_ERR_ACCESS);
}

TEST(ClosePosixPort, PortOpensAgainWhileAnotherProgramKeepsTheDeviceOpen)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ComEnv com1(1, pty.SlavePath());
    // Another program's descriptor keeps the terminal itself open throughout.
    const int other = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_EQ(AsOrdinaryUser(pty.SlavePath(), [] {
                  // A failed open leaves the device free too.
                  if (en24::OpenPosixPort(1, 12345) != EN24_ERR_SET_STATE)
                      return 150;
                  for (int round = 0; round < 2; ++round) {
                      const int32_t handle = en24::OpenPosixPort(1, 9600);
                      if (handle <= 0)
                          return -handle;
                      if (en24::ClosePosixPort(handle) != EN24_OK)
                          return 200;
                  }
                  return 0;
              }),
              0);
    ::close(other);
}

// A program started with standard input closed gets descriptor 0 from the
// next open; the port handle is still above 0, as callers test it.
TEST(OpenPosixPort, HandleIsAboveZeroWithStandardInputClosed)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ComEnv com1(1, pty.SlavePath());
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(0);
        const int32_t handle = en24::OpenPosixPort(1, 9600);
        if (handle <= 0)
            ::_exit(1);
        // Descriptor 0 was given back, not kept open beside the handle.
        if (::fcntl(0, F_GETFD) != -1)
            ::_exit(2);
        if (en24::ClosePosixPort(handle) != EN24_OK)
            ::_exit(3);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ClosePosixPort, SecondCloseFails)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ComEnv com1(1, pty.SlavePath());
    const int32_t handle = en24::OpenPosixPort(1, 9600);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(en24::ClosePosixPort(handle), EN24_OK);
    EXPECT_EQ(en24::ClosePosixPort(handle), EN24_ERR_CLOSE);
}

TEST(PosixPort, ReadGivesWhatArrivedAndHangUpIsAFailure)
{
    Pty pty;
    ASSERT_TRUE(pty.Ok());
    ComEnv com1(1, pty.SlavePath());
    const int32_t handle = en24::OpenPosixPort(1, 9600);
    ASSERT_GT(handle, 0);
    {
        // The peer's end raw as well, so bytes pass unchanged.
        termios raw{};
        ASSERT_EQ(::tcgetattr(pty.Master(), &raw), 0);
        ::cfmakeraw(&raw);
        ASSERT_EQ(::tcsetattr(pty.Master(), TCSANOW, &raw), 0);
    }
    en24::PosixPort port(handle);
    uint8_t buffer[8] = {};

    EXPECT_EQ(port.Read(buffer, 1), 0); // nothing yet: a time-out, not a failure

    const uint8_t reply[] = {0x55, 0x0D, 0x0A, 0x11};
    ASSERT_EQ(::write(pty.Master(), reply, sizeof reply), static_cast<ssize_t>(sizeof reply));
    EXPECT_EQ(port.Read(buffer, 8), 4); // what came, unchanged
    EXPECT_EQ(buffer[1], 0x0D);
    EXPECT_EQ(buffer[2], 0x0A);

    const uint8_t frame[] = {0xAA, 0x01, 0xE4, 0x4F};
    ASSERT_TRUE(port.Write(frame, sizeof frame));
    uint8_t seen[4] = {};
    ASSERT_EQ(::read(pty.Master(), seen, sizeof seen), 4);
    EXPECT_EQ(seen[3], 0x4F);

    pty.CloseMaster();
    EXPECT_EQ(port.Read(buffer, 1), -1);
    EXPECT_EQ(port.Read(buffer, 19), -1);
    EXPECT_FALSE(port.Write(frame, sizeof frame));
    EXPECT_EQ(en24::ClosePosixPort(handle), EN24_OK);
}

} // namespace
