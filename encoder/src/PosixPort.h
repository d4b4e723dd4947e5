// The encoder's serial port on a POSIX system. The port handle the exports
// hand out is the file descriptor itself, so the library keeps no table of
// open ports.
#pragma once

#include "Port.h"

#include <cstdint>

namespace en24 {

// The device path of COM<portNo>: the environment variable EN24_COM<n> when it
// is set and not empty, else /dev/ttyS<n-1>. Only the low 16 bits of portNo
// count; a number outside 1..8 means COM1.
const char *PortPath(int32_t portNo) noexcept;

// Opens COM<portNo> for the encoder: raw 8N1 at baudRate, every other line
// setting left as the driver had it. Returns the file descriptor (> 0), or
// -80 (no such device), -81 (held by another program, or no permission),
// -84 (line settings unreadable: not a serial device), -83 (settings refused,
// unsupported speed included). A descriptor opened before a failure is closed.
int32_t OpenPosixPort(int32_t portNo, int32_t baudRate) noexcept;

// Gives up the exclusive use and closes. 1, or -82.
int32_t ClosePosixPort(int32_t fd) noexcept;

// Port over a descriptor from OpenPosixPort; does not own it.
class PosixPort final : public Port {
public:
    explicit PosixPort(int fd) : fd_(fd) {}

    // Gives up after 400 ms without room for the rest of the frame.
    bool Write(const uint8_t *data, size_t count) override;
    // Deadline 10 ms after the call starts; end of file or a hang-up is -1.
    int Read(uint8_t *buffer, size_t count) override;
    void PurgeOutput() override;
    void PurgeInput() override;
    void ClearErrors() override;

private:
    int fd_;
};

class SystemClock final : public Clock {
public:
    void SleepMs(uint32_t milliseconds) override;
};

} // namespace en24
