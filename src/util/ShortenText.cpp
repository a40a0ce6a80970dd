#include "util/ShortenText.h"

#include "platform/Encoding.h"

std::string ShortenText(std::string_view text, int available, int margin, const TextWidthFn& width) {
  if (text.empty() || width(text) + margin <= available) return std::string(text);
  static constexpr std::string_view kDots = "...";
  const int room = available - margin - width(kDots);
  size_t fitting = 0;  // end of the longest prefix known to fit
  for (size_t i = 0; i < text.size();) {
    size_t next = i + 1;
    // A lead byte takes its trail byte with it; a lone lead byte at the end stands alone.
    if (platform::IsLeadByte(static_cast<unsigned char>(text[i])) && next < text.size()) ++next;
    if (width(text.substr(0, next)) >= room) break;
    fitting = next;
    i = next;
  }
  std::string result(text.substr(0, fitting));
  result += kDots;
  return result;
}
