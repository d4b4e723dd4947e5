// Command frames of the encoder and the hex text handed to callers. Pure
// functions: no port, no clock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace en24 {

// Command codes the library sends.
enum class Command : uint8_t {
    Buzzer = 0x80,     // data: one byte 0x14; no reply
    ReadCard = 0xE4,   // no data; 20-byte reply
    ReadCardSN = 0x53, // no data; 24-byte reply (the card's serial at the end)
    WriteCard = 0xEC,  // data: the 12-byte card record; no reply read
};

constexpr uint8_t kFrameStart = 0xAA;
constexpr uint8_t kBuzzerData = 0x14;
constexpr size_t kCardRecordSize = 12;
// The longest data a frame carries is a card record.
constexpr size_t kMaxFrameData = kCardRecordSize;

// Start byte, length, command, data, check byte.
struct Frame {
    std::array<uint8_t, 3 + kMaxFrameData + 1> bytes{};
    size_t size = 0; // 0: data too long, nothing to send

    const uint8_t *data() const { return bytes.data(); }
    std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

// XOR of every byte given. Over a frame without its check byte this is the
// frame's check byte (the start byte 0xAA included).
uint8_t CheckByte(std::span<const uint8_t> bytes) noexcept;

// AA, data size + 1, command, data, check byte. A frame with more than
// kMaxFrameData bytes of data is refused: size 0.
Frame BuildFrame(Command command, std::span<const uint8_t> data = {}) noexcept;

// Writes count bytes as upper-case hex, high nibble first, then a zero byte
// (2 * count + 1 characters in all).
void HexText(const uint8_t *bytes, size_t count, char *text) noexcept;

} // namespace en24
