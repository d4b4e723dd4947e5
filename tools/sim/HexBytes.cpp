#include "HexBytes.h"

#include <charconv>
#include <stdexcept>

namespace en24sim {

std::string ToHex(std::span<const uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * bytes.size());
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

bool ParseHex(std::string_view text, std::span<uint8_t> out)
{
    if (text.size() != 2 * out.size())
        return false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned value = 0;
        const char *first = text.data() + 2 * i;
        const auto [end, ec] = std::from_chars(first, first + 2, value, 16);
        if (ec != std::errc{} || end != first + 2)
            return false;
        out[i] = static_cast<uint8_t>(value);
    }
    return true;
}

EncoderSimulator::Record RecordOf(std::string_view text)
{
    EncoderSimulator::Record record{};
    if (!ParseHex(text, record))
        throw std::invalid_argument("a record is 24 hex digits, not \"" + std::string(text) + "\"");
    return record;
}

} // namespace en24sim
