#include "util/IntToText.h"

std::string IntToText(long long value, int radix) {
  if (radix < 2 || radix > 36) return std::string();
  // The magnitude as unsigned, so the most negative value has one too.
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  char digits[72];
  size_t n = sizeof(digits);
  do {
    digits[--n] = "0123456789abcdefghijklmnopqrstuvwxyz"[magnitude % radix];
    magnitude /= radix;
  } while (magnitude != 0);
  if (value < 0) digits[--n] = '-';
  return std::string(digits + n, sizeof(digits) - n);
}
