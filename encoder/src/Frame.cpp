#include "Frame.h"

namespace en24 {

uint8_t CheckByte(std::span<const uint8_t> bytes) noexcept
{
    uint8_t check = 0;
    for (uint8_t byte : bytes)
        check ^= byte;
    return check;
}

Frame BuildFrame(Command command, std::span<const uint8_t> data) noexcept
{
    Frame frame;
    if (data.size() > kMaxFrameData)
        return frame;
    frame.bytes[0] = kFrameStart;
    frame.bytes[1] = static_cast<uint8_t>(data.size() + 1);
    frame.bytes[2] = static_cast<uint8_t>(command);
    size_t at = 3;
    for (uint8_t byte : data)
        frame.bytes[at++] = byte;
    frame.bytes[at] = CheckByte({frame.bytes.data(), at});
    frame.size = at + 1;
    return frame;
}

void HexText(const uint8_t *bytes, size_t count, char *text) noexcept
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        *text++ = kDigits[bytes[i] >> 4];
        *text++ = kDigits[bytes[i] & 0x0F];
    }
    *text = '\0';
}

} // namespace en24
