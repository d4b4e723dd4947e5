// The host's end of the simulated encoder: the link path opened like a serial
// port with plain termios and poll, so the simulator's tests depend on nothing
// but the operating system.
#pragma once

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "HexBytes.h"
#include "TestFolder.h"

namespace en24sim::test {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

class HostPort {
public:
    // exclusive: held the way a serial library holds its port (flock, then
    // exclusive mode); the open fails when another holds it so.
    explicit HostPort(const std::string &path, bool exclusive = false) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        openErrno_ = fd_ < 0 ? errno : 0;
        if (fd_ >= 0 && exclusive) {
            if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
                openErrno_ = errno;
                Close();
                return;
            }
            ioctl(fd_, TIOCEXCL);
        }
        if (fd_ >= 0) {
            termios tio{};
            tcgetattr(fd_, &tio);
            cfmakeraw(&tio);
            cfsetspeed(&tio, B9600);
            tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~HostPort() { Close(); }
    HostPort(const HostPort &) = delete;
    HostPort &operator=(const HostPort &) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    int OpenErrno() const { return openErrno_; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    bool Write(const Bytes &bytes) { return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()); }

    // Collects bytes until count arrived or the time is up. hungUp tells
    // whether the line went away (end of file or an error) meanwhile.
    Bytes Read(std::size_t count, std::chrono::milliseconds timeout) {
        Bytes bytes;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd pfd{fd_, POLLIN, 0};
            if (poll(&pfd, 1, static_cast<int>(left.count()) + 1) <= 0) continue;
            uint8_t buffer[256];
            const ssize_t n = read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) {
                if (n < 0 && errno == EAGAIN) continue;
                hungUp = true;
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    // Sends a frame and collects the reply of replyLength bytes.
    Bytes Exchange(const Bytes &frame, std::size_t replyLength, std::chrono::milliseconds timeout = 1s) {
        if (!Write(frame)) return {};
        return Read(replyLength, timeout);
    }

    bool hungUp = false;

private:
    int fd_ = -1;
    int openErrno_ = 0;
};

inline const Bytes kReadFrame{0xAA, 0x01, 0xE4, 0x4F};
inline const Bytes kReadSerialFrame{0xAA, 0x01, 0x53, 0xF8};
inline const Bytes kBuzzerFrame{0xAA, 0x02, 0x80, 0x14, 0x3C};

inline Bytes WriteFrame(const std::array<uint8_t, 12> &record) {
    Bytes frame{0xAA, 0x0D, 0xEC};
    uint8_t check = 0x4B;
    for (uint8_t b : record) {
        frame.push_back(b);
        check = static_cast<uint8_t>(check ^ b);
    }
    frame.push_back(check);
    return frame;
}

} // namespace en24sim::test
