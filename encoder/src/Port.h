// The library's only way to the operating system: one open serial device and
// a clock. The exports wrap the real POSIX port and clock; tests hand in a
// scripted fake port and a manual clock, so every wait is virtual.
#pragma once

#include <cstddef>
#include <cstdint>

namespace en24 {

class Port {
public:
    virtual ~Port() = default;

    // One write call of the whole buffer. False when the call itself failed
    // or the bytes could not all be handed over within the write time-out.
    virtual bool Write(const uint8_t *data, size_t count) = 0;

    // One read call: returns as soon as count bytes arrived, else about 10 ms
    // after the call started (one deadline for the whole call, not per byte)
    // with whatever arrived, possibly nothing. Returns the number of bytes
    // read (0 to count), or -1 when the call itself failed; a device that hung
    // up is a failed call, never "nothing yet".
    virtual int Read(uint8_t *buffer, size_t count) = 0;

    // Drop what is waiting to go out / what has come in.
    virtual void PurgeOutput() = 0;
    virtual void PurgeInput() = 0;

    // Read and reset the port's error state so that I/O can go on.
    virtual void ClearErrors() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual void SleepMs(uint32_t milliseconds) = 0;
};

} // namespace en24
