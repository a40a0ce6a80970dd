#include "util/ShortenText.h"

#include <vector>

#include "util/ShiftJis.h"

std::string ShortenText(std::string_view text, int available, int margin, const TextWidthFn& width) {
  if (text.empty() || width(text) + margin <= available) return std::string(text);
  static constexpr std::string_view kDots = "...";
  const int room = available - margin - width(kDots);

  // Where each whole character ends.
  std::vector<size_t> ends;
  ends.reserve(text.size());
  for (size_t i = 0; i < text.size(); i = ends.back()) ends.push_back(i + shiftjis::CharSize(text, i));
  // A prefix is never narrower than a shorter one, so the fitting prefixes come first and
  // the last of them is found by halving: measuring is the costly part (a list repaints
  // its cells often, and a long path has many characters).
  size_t low = 0, high = ends.size();  // ends[0, low) fit; ends[high, size) do not
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (width(text.substr(0, ends[middle])) < room) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  std::string result(text.substr(0, low == 0 ? 0 : ends[low - 1]));
  result += kDots;
  return result;
}
