// An integer written as text in a radix from 2 to 36, with lower-case letters for digits
// above 9 and a "-" before negative values, as texts of the settings and logs need it.
#pragma once

#include <string>

// Empty for a radix outside 2..36.
std::string IntToText(long long value, int radix = 10);
