#include "PosixPort.h"

#include "EN24_C1.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace en24 {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The encoder's time-outs: a read returns about 10 ms after it starts with
// whatever arrived; a frame that cannot be handed to the driver within 400 ms
// is a failed write.
constexpr auto kReadTimeout = std::chrono::milliseconds(10);
constexpr auto kWriteTimeout = std::chrono::milliseconds(400);

// Waits for events on fd until deadline. Returns the revents (0 at the
// deadline), or -1 when poll itself failed.
int WaitUntil(int fd, short events, SteadyClock::time_point deadline)
{
    for (;;) {
        const auto left = deadline - SteadyClock::now();
        if (left <= SteadyClock::duration::zero())
            return 0;
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        timespec timeout{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
        pollfd entry{fd, events, 0};
        const int ready = ::ppoll(&entry, 1, &timeout, nullptr);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return -1;
        return ready == 0 ? 0 : entry.revents;
    }
}

bool SpeedOf(int32_t baudRate, speed_t &speed)
{
    static constexpr struct {
        int32_t rate;
        speed_t speed;
    } kSpeeds[] = {
        {110, B110},       {300, B300},       {600, B600},       {1200, B1200},
        {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},
        {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400},
    };
    for (const auto &entry : kSpeeds) {
        if (entry.rate == baudRate) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

// Raw 8N1 at the speed; handshake lines and special characters stay as the
// driver had them.
bool MakeEncoderSettings(termios &settings, int32_t baudRate)
{
    speed_t speed{};
    if (!SpeedOf(baudRate, speed))
        return false;
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0)
        return false;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CREAD;
    // Binary: no translation, no parity marks, no software flow control.
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | INPCK | IXON | IXOFF | IXANY);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    // With VMIN 0 an empty non-blocking read would return 0, which could not
    // be told from a hang-up; with VMIN 1 it is EAGAIN.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return true;
}

} // namespace

const char *PortPath(int32_t portNo) noexcept
{
    static constexpr const char *kVariables[] = {"EN24_COM1", "EN24_COM2", "EN24_COM3", "EN24_COM4",
                                                 "EN24_COM5", "EN24_COM6", "EN24_COM7", "EN24_COM8"};
    static constexpr const char *kDevices[] = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3",
                                               "/dev/ttyS4", "/dev/ttyS5", "/dev/ttyS6", "/dev/ttyS7"};
    int n = static_cast<int16_t>(static_cast<uint16_t>(portNo & 0xFFFF));
    if (n < 1 || n > 8)
        n = 1;
    if (const char *path = std::getenv(kVariables[n - 1]); path != nullptr && *path != '\0')
        return path;
    return kDevices[n - 1];
}

int32_t OpenPosixPort(int32_t portNo, int32_t baudRate) noexcept
{
    int fd = ::open(PortPath(portNo), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EACCES || errno == EPERM || errno == EBUSY ? EN24_ERR_ACCESS : EN24_ERR_OPEN;
    // A handle is > 0; move off descriptor 0 should standard input be closed.
    if (fd == 0) {
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
        ::close(fd);
        if (moved < 0)
            return EN24_ERR_OPEN;
        fd = moved;
    }
    // Exclusive use. flock counts, because TIOCEXCL does not stop root; it
    // goes with the descriptor, so every failure below gives it up by closing.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? EN24_ERR_ACCESS : EN24_ERR_OPEN;
    }

    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        ::close(fd);
        return EN24_ERR_GET_STATE;
    }
    if (!MakeEncoderSettings(settings, baudRate) || ::tcsetattr(fd, TCSANOW, &settings) != 0) {
        ::close(fd);
        return EN24_ERR_SET_STATE;
    }
    // Also keep out programs that do not take the lock (their open() fails
    // with EBUSY); set last, as only ClosePosixPort takes it away again.
    (void)::ioctl(fd, TIOCEXCL);
    return fd;
}

int32_t ClosePosixPort(int32_t fd) noexcept
{
    // The terminal keeps TIOCEXCL until its last descriptor closes; another
    // program (a simulator, a modem daemon) may keep one open, and the next
    // open by an ordinary user would then fail with EBUSY.
    (void)::ioctl(fd, TIOCNXCL);
    return ::close(fd) == 0 ? EN24_OK : EN24_ERR_CLOSE;
}

bool PosixPort::Write(const uint8_t *data, size_t count)
{
    const auto deadline = SteadyClock::now() + kWriteTimeout;
    size_t sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(fd_, data + sent, count - sent);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            return false;
        // Output buffer full (or held by the hardware handshake): wait for room.
        const int events = WaitUntil(fd_, POLLOUT, deadline);
        if (events <= 0 || (events & POLLNVAL) != 0)
            return false;
    }
    return true;
}

int PosixPort::Read(uint8_t *buffer, size_t count)
{
    // One deadline for the whole call: restarting a 10 ms wait after each byte
    // would let a slow trickle stretch the call far beyond 10 ms.
    const auto deadline = SteadyClock::now() + kReadTimeout;
    size_t got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<size_t>(n);
            continue;
        }
        // End of file on a terminal: the device hung up.
        if (n == 0)
            return -1;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return -1;
        const int events = WaitUntil(fd_, POLLIN, deadline);
        if (events < 0 || (events & POLLNVAL) != 0)
            return -1;
        if (events == 0)
            break;
        // POLLIN, POLLHUP or POLLERR: the next read() returns the data or the failure.
    }
    return static_cast<int>(got);
}

void PosixPort::PurgeOutput()
{
    (void)::tcflush(fd_, TCOFLUSH);
}

void PosixPort::PurgeInput()
{
    (void)::tcflush(fd_, TCIFLUSH);
}

void PosixPort::ClearErrors()
{
    // A POSIX terminal latches no error state that stops further reads or
    // writes (line errors are only counted), so there is nothing to reset.
}

void SystemClock::SleepMs(uint32_t milliseconds)
{
    timespec wake{};
    ::clock_gettime(CLOCK_MONOTONIC, &wake);
    wake.tv_sec += static_cast<time_t>(milliseconds / 1000);
    wake.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
    if (wake.tv_nsec >= 1000000000L) {
        wake.tv_sec += 1;
        wake.tv_nsec -= 1000000000L;
    }
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr) == EINTR) {
    }
}

} // namespace en24
