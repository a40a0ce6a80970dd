// Fitting a cell text into a column: a text that is too wide is cut after its last whole
// character that still leaves room for "...", so a Shift_JIS character is never split.
// The measuring is left to the caller (the list control measures in its font), which keeps
// this rule free of any window system and testable with a fake width.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Pixel width of a CP932 text.
using TextWidthFn = std::function<int(std::string_view cp932)>;

// The list control leaves these margins: column 0 draws with less padding than the others.
constexpr int kFirstColumnMargin = 4;
constexpr int kOtherColumnMargin = 12;

// text unchanged when it is empty or its width plus margin is at most available; otherwise
// the longest prefix of whole characters for which margin + width("...") + width(prefix)
// stays below available, followed by "..."; "..." alone when not even one character fits.
std::string ShortenText(std::string_view text, int available, int margin, const TextWidthFn& width);
