// The exchanges with the encoder: one command frame out and, for the read
// commands, one reply back. Written against Port and Clock only, so the same
// code runs on a serial port and on a test's scripted fake.
//
// Results are the library's codes (EN24_C1.h). A null buffer is refused with
// EN24_REFUSED before any port traffic. Nothing here throws or allocates.
#pragma once

#include "Frame.h"
#include "Port.h"

#include <cstddef>
#include <cstdint>

namespace en24 {

constexpr uint8_t kSyncByte = 0x55;
constexpr size_t kReadCardReplySize = 20;   // read text: 40 characters + zero byte
constexpr size_t kReadCardSNReplySize = 24; // read text: 48 characters + zero byte

// A poll is a one-byte read, about 10 ms when nothing comes: about 2 s in all.
constexpr int kSyncPolls = 200;
// A pre-read whose read call keeps failing (device gone, handle not open)
// is given up after this many attempts.
constexpr int kPreReadAttempts = 3;

// Waits that pace the encoder, in milliseconds.
constexpr uint32_t kRestOfReplyMs = 200;     // after the sync byte, for the rest of the reply to arrive
constexpr uint32_t kAfterReplyMs = 200;      // after a reply, before the next command
constexpr uint32_t kWriteCardMs = 2000;      // the encoder needs 2 s to write a card
constexpr uint32_t kAfterWriteFailMs = 200;  // after a failed frame write
constexpr uint32_t kAfterPollFailMs = 100;   // after a failed poll or pre-read
constexpr uint32_t kAfterRestFailMs = 200;   // after a failed or short read of the rest of a reply

// Reads one byte and drops it, as every exchange does first; a failing read
// call is made at most kPreReadAttempts times in all, the port's error state
// cleared after each failure. False when every attempt failed.
bool PreRead(Port &port) noexcept;

// Read-card command: the 20-byte reply as hex text into readText (41 bytes).
// 1 when a reply came (whatever its status byte says), -85, -86, -99.
// readText is written only on success.
int32_t ReadCard(Port &port, Clock &clock, char *readText) noexcept;

// Read-card-with-serial command: the 24-byte reply into readText (49 bytes).
int32_t ReadCardSN(Port &port, Clock &clock, char *readText) noexcept;

// Write-card command with the 12-byte record, then the 2 s the encoder takes.
// Nothing is read back. 1, -85; -86 when the pre-read cannot be made.
int32_t WriteRFData(Port &port, Clock &clock, const uint8_t *record) noexcept;

// Buzzer command; returns as soon as the frame is written. 1, -85.
int32_t Buzzer(Port &port, Clock &clock) noexcept;

} // namespace en24
