// Hex text: "0x" and 2, 4 or 8 upper-case digits for a 1-, 2- or 4-byte
// value; the 64-bit form has sixteen digits. The one formatter every page and
// viewer uses.
#ifndef COMMON_HEX_TEXT_H
#define COMMON_HEX_TEXT_H

#include <cstdint>
#include <string>

namespace common {

// width: 1, 2 or 4 bytes; the value is cut to that width.
inline std::string HexText(uint32_t value, int width = 4) {
  static const char kDigits[] = "0123456789ABCDEF";
  int digits = width == 1 ? 2 : width == 2 ? 4 : 8;
  std::string text(2 + digits, '0');
  text[1] = 'x';
  for (int i = 0; i < digits; ++i) text[1 + digits - i] = kDigits[(value >> (4 * i)) & 0xF];
  return text;
}

inline std::string HexText64(uint64_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text(18, '0');
  text[1] = 'x';
  for (int i = 0; i < 16; ++i) text[17 - i] = kDigits[(value >> (4 * i)) & 0xF];
  return text;
}

// Eight digits while the value fits in 32 bits, sixteen otherwise.
inline std::string HexTextWide(uint64_t value) {
  return value > 0xFFFFFFFFull ? HexText64(value) : HexText(static_cast<uint32_t>(value), 4);
}

}  // namespace common

#endif  // COMMON_HEX_TEXT_H
