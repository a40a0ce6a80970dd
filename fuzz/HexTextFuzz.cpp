// The search text's hex conversion both ways. The input is tried as a search text (valid
// exactly when of even length and made of hex digits; then it comes back lower case) and
// as search bytes (which come back from their own text unchanged). A refused text leaves
// both the byte vector and the record as they were.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "db/InvalFileInfo.h"

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  bool valid = size % 2 == 0;
  for (char c : text) valid = valid && IsHexDigit(c);

  const std::vector<uint8_t> sentinel = {0xDE, 0xAD};
  std::vector<uint8_t> bytes = sentinel;
  FUZZ_CHECK(InvalFileInfo::HexToBytes(text, &bytes) == valid);
  if (valid) {
    FUZZ_CHECK(bytes.size() == size / 2);
  } else {
    FUZZ_CHECK(bytes == sentinel);
  }

  const OleDate date{37690.0, 0};
  InvalFileInfo record;
  record.SetFromBytes("N1", "C1", "R1", date, "", sentinel.data(), static_cast<int32_t>(sentinel.size()), "");
  FUZZ_CHECK(record.SetFromText("N2", "C2", "R2", date, "A", text, "S") == valid);
  if (valid) {
    std::string lower(text);
    for (char& c : lower) c = Lower(c);
    FUZZ_CHECK(record.GetSearchText() == lower);
    FUZZ_CHECK(record.SearchLength() == static_cast<int32_t>(size / 2));
    FUZZ_CHECK((record.SearchBytes() == nullptr) == (size == 0));
    FUZZ_CHECK(record.Name() == "N2" && record.Summary() == "S");
  } else {
    FUZZ_CHECK(record.GetSearchText() == "dead");
    FUZZ_CHECK(record.Name() == "N1" && record.Category() == "C1" && record.Author().empty());
  }

  // Any bytes: their text is lower-case hex, two digits each, and converts back to them.
  InvalFileInfo raw;
  raw.SetFromBytes("N", "C", "", date, "", data, static_cast<int32_t>(size), "");
  const std::string hex = raw.GetSearchText();
  FUZZ_CHECK(hex.size() == size * 2);
  for (char c : hex) FUZZ_CHECK(IsHexDigit(c) && Lower(c) == c);
  std::vector<uint8_t> back;
  FUZZ_CHECK(InvalFileInfo::HexToBytes(hex, &back));
  FUZZ_CHECK(back == std::vector<uint8_t>(data, data + size));
  return 0;
}
