// Bytes as hex text and back, for the simulator tool, tests and benchmarks
// that see the encoder through the simulator.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "EncoderSimulator.h"

namespace en24sim {

// Upper-case, high nibble first, two digits a byte: {0xAA, 0x01} -> "AA01".
std::string ToHex(std::span<const uint8_t> bytes);

// Exactly 2 * out.size() hex digits (either case) into out; false for
// anything else (out may then be partly written).
bool ParseHex(std::string_view text, std::span<uint8_t> out);

// A record from its 24 hex digits; throws std::invalid_argument otherwise.
EncoderSimulator::Record RecordOf(std::string_view text);

} // namespace en24sim
