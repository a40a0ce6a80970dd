// Shift_JIS text and path operations over any bytes, in both path styles. Input: four
// control bytes (style, two counts, a character), the path, NUL, a second text used as
// folder or file name. Besides not faulting, the pieces must fit together: the folder part
// and the file-name part make the path, neither splits a double-byte character, the folder
// components make the folder part, and the character operations agree with each other.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzSample.h"
#include "util/CDFile.h"
#include "util/CDString.h"
#include "util/PathParts.h"
#include "util/ShiftJis.h"

namespace {

// Whether byte offset b starts a character of text (or is its end).
bool OnBoundary(std::string_view text, size_t b) {
  size_t i = 0;
  while (i < b) i += shiftjis::CharSize(text, i);
  return i == b;
}

// No lead byte followed by a byte that cannot be a second byte (below 0x40). Names from
// the file system never hold such a pair; "/" is then always a character of its own.
bool WellPaired(std::string_view text) {
  for (size_t i = 0; i < text.size(); i += shiftjis::CharSize(text, i)) {
    if (shiftjis::CharSize(text, i) == 2 && static_cast<unsigned char>(text[i + 1]) < 0x40) return false;
  }
  return true;
}

bool EndsWithCutCharacter(std::string_view text) {
  size_t i = 0, last = 0;
  while (i < text.size()) {
    last = i;
    i += shiftjis::CharSize(text, i);
  }
  return !text.empty() && last + 1 == text.size() && platform::IsLeadByte(static_cast<unsigned char>(text.back()));
}

int Clamp(int n, int low, int high) { return n < low ? low : (n > high ? high : n); }

std::string CharBytes(unsigned int value) {
  if (value > 0xFF) return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
  return std::string(1, static_cast<char>(value));
}

// Whether whole is the pieces one after another; like comparing with their sum, without
// building it.
bool Joins(std::string_view whole, std::initializer_list<std::string_view> pieces) {
  for (std::string_view piece : pieces) {
    if (!whole.starts_with(piece)) return false;
    whole.remove_prefix(piece.size());
  }
  return whole.empty();
}

// The character position and the byte after each occurrence that Find must give; kept
// between runs so that a run allocates nothing for it.
std::vector<std::pair<int, size_t>> expected;
// The byte after each separator of the path, kept between runs likewise.
std::vector<size_t> separatorEnds;

void CheckText(const CDString& s, int a, int b, unsigned int ch, uint64_t seed) {
  const int length = s.Length();
  FUZZ_CHECK(length >= 0 && static_cast<size_t>(length) <= s.ByteLength());
  FUZZ_CHECK(s.ByteOffset(length) == s.ByteLength());

  // Each piece is taken once and checked in every way it must fit.
  const CDString left = s.Left(a);
  const CDString right = s.Right(b);
  const CDString midFrom = s.MidFrom(a);
  const CDString mid = s.Mid(a, b);
  FUZZ_CHECK(left.Length() == Clamp(a, 0, length));
  FUZZ_CHECK(right.Length() == Clamp(b, 0, length));
  FUZZ_CHECK(Joins(s.view(), {left.view(), midFrom.view()}));
  const int k = Clamp(b, 0, length);
  FUZZ_CHECK(Joins(s.view(), {s.Left(length - k).view(), (k == b ? right : s.Right(k)).view()}));
  FUZZ_CHECK(mid == midFrom.Left(b));
  if (a >= 0 && b >= 0) FUZZ_CHECK(Joins(s.Left(a + b).view(), {left.view(), mid.view()}));
  FUZZ_CHECK(OnBoundary(s.view(), s.ByteOffset(a)));
  FUZZ_CHECK(s.StartsWith(left.view()));
  FUZZ_CHECK(s.EndsWith(right.view()));

  // Find walks every occurrence, in order, never starting on a second byte.
  expected.clear();
  int pos = 0;
  for (size_t i = 0; i < s.ByteLength(); ++pos) {
    const size_t size = shiftjis::CharSize(s.view(), i);
    unsigned int v = static_cast<unsigned char>(s.view()[i]);
    if (size == 2) v = v * 256 + static_cast<unsigned char>(s.view()[i + 1]);
    i += size;
    if (v == ch) expected.emplace_back(pos, i);
  }
  FUZZ_CHECK(s.FindFirst(ch) == (expected.empty() ? -1 : expected.front().first));
  FUZZ_CHECK(s.FindLast(ch) == (expected.empty() ? -1 : expected.back().first));
  // Each Find counts the characters from the start, so only a sample of the occurrences is
  // found from just past the one before; one past the last finds nothing.
  for (size_t n : FuzzSample(expected.size(), seed)) {
    const size_t from = n == 0 ? 0 : expected[n - 1].second;
    size_t bytePos = from;
    const int at = s.Find(ch, &bytePos);
    if (n < expected.size()) {
      FUZZ_CHECK(at == expected[n].first && bytePos == expected[n].second);
    } else {
      FUZZ_CHECK(at == -1 && bytePos == from);
    }
  }

  CDString t(s);
  const bool set = t.SetCharAt(a, ch);
  FUZZ_CHECK(set == (a >= 0 && a < length));
  if (!set) {
    FUZZ_CHECK(t == s);
  } else if (ch == 0) {
    FUZZ_CHECK(t == left);
  } else {
    const std::string bytes = CharBytes(ch);
    FUZZ_CHECK(Joins(t.view(), {left.view(), bytes, s.MidFrom(a + 1).view()}));
    const bool whole = ch > 0xFF ? platform::IsLeadByte(static_cast<unsigned char>(ch >> 8))
                                 : !platform::IsLeadByte(static_cast<unsigned char>(ch)) || t.ByteOffset(a) + 1 == t.ByteLength();
    if (whole) FUZZ_CHECK(t.CharAt(a) == ch);
  }
}

void CheckPath(std::string_view path, std::string_view other, PathStyle style, int k, uint64_t seed) {
  const std::string sep(1, style.separator);
  CDFile file(style);
  file.AssignPath(path);
  const CDString folder = file.FolderPart();
  const CDString name = file.FileNamePart();
  FUZZ_CHECK(Joins(path, {folder.view(), name.view()}));
  FUZZ_CHECK(OnBoundary(path, folder.ByteLength()));
  FUZZ_CHECK(file.NameStart() == folder.Length());
  FUZZ_CHECK(name.FindFirst(static_cast<unsigned char>(style.separator)) < 0);
  FUZZ_CHECK(folder.IsEmpty() || folder.view().back() == style.separator);

  const bool paired = WellPaired(path);
  const CDString trimmed = file.FolderPartTrimmed();
  FUZZ_CHECK(folder.str().starts_with(trimmed.str()));
  FUZZ_CHECK(trimmed.ByteLength() + 1 >= folder.ByteLength());
  if (paired) FUZZ_CHECK(folder.StartsWith(trimmed.view()));
  const int separators = file.SeparatorCount();
  if (paired) {
    FUZZ_CHECK((separators > 0) == !folder.IsEmpty());
    // The folder is its components joined by separators, component 0 keeping its own: the
    // separators are found in one walk, and as each FolderComponent walks from the start,
    // a sample of the components is compared with the bytes between them.
    separatorEnds.clear();
    for (size_t i = 0; i < path.size(); i += shiftjis::CharSize(path, i)) {
      if (path[i] == style.separator) separatorEnds.push_back(i + 1);
    }
    FUZZ_CHECK(separatorEnds.size() == static_cast<size_t>(separators));
    FUZZ_CHECK(separators == 0 || separatorEnds.back() == folder.ByteLength());
    for (size_t c : FuzzSample(separatorEnds.size(), seed)) {
      if (c == separatorEnds.size()) continue;  // the whole folder part, checked below
      const size_t begin = c == 0 ? 0 : separatorEnds[c - 1];
      const size_t end = c == 0 ? separatorEnds[0] : separatorEnds[c] - 1;
      FUZZ_CHECK(file.FolderComponent(static_cast<int>(c)) == path.substr(begin, end - begin));
    }
  }
  FUZZ_CHECK(file.FolderComponent(separators) == folder);
  const CDString component = file.FolderComponent(k);
  FUZZ_CHECK(folder.view().find(component.view()) != std::string_view::npos);

  // The separate path helpers split the same way, but for the drive prefix they know of.
  if (style == kNativePathStyle || path.find(':') == std::string_view::npos) {
    FUZZ_CHECK(GetFolderPart(path, style) == folder.str());
    FUZZ_CHECK(GetFileNamePart(path, style) == name.str());
  }

  CDFile renamed(style);
  renamed.AssignPath(path);
  renamed.ReplaceFileName(other);
  FUZZ_CHECK(Joins(renamed.PathText(), {folder.view(), other}));
  if (WellPaired(other) && CDString(other).FindFirst(static_cast<unsigned char>(style.separator)) < 0) {
    FUZZ_CHECK(renamed.FolderPart() == folder);
    FUZZ_CHECK(renamed.FileNamePart() == other);
  }

  CDFile moved(style);
  moved.AssignPath(path);
  moved.ReplaceFolder(other);
  const CDString otherText(other);
  const bool addSeparator = !other.empty() && !otherText.EndsWith(sep);
  FUZZ_CHECK(Joins(moved.PathText(), {other, addSeparator ? std::string_view(sep) : std::string_view(), name.view()}));
  // A folder ending in a cut double-byte character would take the separator as its
  // second byte; a folder from the file system never ends so.
  if (!EndsWithCutCharacter(other)) {
    FUZZ_CHECK(moved.FileNamePart() == name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  unsigned char control[4] = {0, 0, 0, 0};
  size_t used = 0;
  for (; used < 4 && used < size; ++used) control[used] = data[used];
  std::string_view rest(reinterpret_cast<const char*>(data) + used, size - used);
  const size_t nul = rest.find('\0');
  const std::string_view path = rest.substr(0, nul);
  const std::string_view other = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);

  const PathStyle style = (control[0] & 1) ? kBackslashPathStyle : kNativePathStyle;
  // Counts from -8 to 247, so that negative ones and ones past the end both come up.
  const int a = static_cast<int>(control[1]) - 8;
  const int b = static_cast<int>(control[2]) - 8;
  // A character: a byte of the path at control[3] (often one that is there), or a pair.
  unsigned int ch = control[3];
  if ((control[0] & 2) && !path.empty()) {
    const CDString p(path);
    ch = p.CharAt(control[3] % (p.Length() > 0 ? p.Length() : 1));
  } else if (control[0] & 4) {
    ch = 0x8100u + control[3];
  }

  const uint64_t seed = FuzzSample::Seed(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckText(CDString(path), a, b, ch, seed);
  CheckPath(path, other, style, b, seed);
  return 0;
}
