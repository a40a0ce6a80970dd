// One CP932 character to its Unicode code point and back, as the C library's converter
// maps it, remembered per code: a text then converts by table lookups instead of a
// converter call per text (and per character where a text does not convert whole). Safe
// to use from any thread.
#pragma once

#include <cstdint>

namespace platform::cp932_table {

inline constexpr uint32_t kNone = 0xFFFFFFFFu;

// code: a single byte (0x00-0xFF) or a pair, lead << 8 | trail. The Unicode code point
// it reads as, or kNone when the converter refuses it.
uint32_t Decode(uint16_t code);

// The CP932 code of a Unicode code point (a single byte below 0x100, else a pair), or
// kNone when CP932 cannot hold it.
uint32_t Encode(uint32_t codePoint);

}  // namespace platform::cp932_table
