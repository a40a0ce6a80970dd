#include "util/CPatternList.h"

#include <memory>

#include "util/ShiftJis.h"

namespace {

constexpr size_t kNone = std::string_view::npos;

// Blanks typed around a token ("*.exe; *.txt") are not part of it. Neither byte can be
// the second byte of a double-byte character, so trimming bytes is safe.
std::string_view Trimmed(std::string_view token) {
  const size_t first = token.find_first_not_of(" \t");
  if (first == kNone) return std::string_view();
  return token.substr(first, token.find_last_not_of(" \t") - first + 1);
}

// Calls f(token) for each usable token in order, passing over empty ones (";*.exe",
// "*.txt;;*.exe"), which would otherwise hide every token after them; stops when f
// returns true.
template <typename F>
bool ForEachToken(std::string_view text, char separator, F&& f) {
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find(separator, begin);
    if (end == kNone) end = text.size();
    const std::string_view token = Trimmed(text.substr(begin, end - begin));
    if (!token.empty() && f(token)) return true;
    begin = end + 1;
  }
  return false;
}

// The name made lower case in a buffer on the stack (a heap one only for very long names),
// so matching a file costs no allocation.
class LowerName {
 public:
  explicit LowerName(std::string_view name) {
    char* out = stack_;
    if (name.size() > sizeof(stack_)) {
      heap_ = std::make_unique<char[]>(name.size());
      out = heap_.get();
    }
    shiftjis::LowerSingleByteLetters(name, out);
    view_ = std::string_view(out, name.size());
  }
  std::string_view view() const { return view_; }

 private:
  char stack_[1024];
  std::unique_ptr<char[]> heap_;
  std::string_view view_;
};

}  // namespace

std::string_view CPatternList::GetToken(int i) const {
  std::string_view text = text_;
  size_t begin = 0;
  for (int n = 0; n < i; ++n) {
    size_t sep = text.find(separator_, begin);
    if (sep == kNone) return std::string_view();
    begin = sep + 1;
  }
  size_t end = text.find(separator_, begin);
  return Trimmed(text.substr(begin, (end == kNone ? text.size() : end) - begin));
}

std::vector<std::string_view> CPatternList::Tokens() const {
  std::vector<std::string_view> tokens;
  ForEachToken(text_, separator_, [&](std::string_view token) {
    tokens.push_back(token);
    return false;
  });
  return tokens;
}

bool CPatternList::HasUsableToken() const {
  return ForEachToken(text_, separator_, [](std::string_view) { return true; });
}

int CPatternList::GetCount() const {
  if (text_.empty()) return 0;
  int count = 1;
  for (char c : text_) count += c == separator_ ? 1 : 0;
  return count;
}

bool CPatternList::Contains(std::string_view text) const {
  LowerName lower(text);
  return ForEachToken(text_, separator_, [&](std::string_view token) { return token == lower.view(); });
}

void CPatternList::AddUnique(std::string_view text) {
  if (Contains(text)) return;
  if (!text_.empty()) text_.push_back(separator_);
  text_.append(text.data(), text.size());
}

int CPatternList::Match(std::string_view path, PathStyle style) const {
  return MatchName(path.substr(shiftjis::NameStartByte(path, style)));
}

int CPatternList::MatchName(std::string_view name) const {
  LowerName lower(name);
  int result = kNoMatch;
  ForEachToken(text_, separator_, [&](std::string_view token) {
    if (!MatchToken(token, lower.view())) return false;
    result = token == "*.*" || token == "*" ? kMatchAll : kMatch;
    return true;
  });
  return result;
}

bool CPatternList::MatchToken(std::string_view token, std::string_view name) {
  // Two cursors; "none" (kNone) is a state of its own, distinct from the end of the text.
  // The full stops that "*" jumps to are looked for in the rest of the name from q on.
  size_t p = 0;
  size_t q = 0;
  for (;;) {
    if (p == kNone) return q == kNone;
    if (p == token.size()) return q != kNone && q == name.size();
    const char c = token[p];
    if (c == '*') {
      p = token.find('.', p + 1);
      if (q != kNone) {
        const bool lastDot = p == kNone || token.find('.', p + 1) == kNone;
        if (lastDot) {
          const size_t dot = name.rfind('.');
          q = dot != kNone && dot >= q ? dot : kNone;
        } else {
          q = name.find('.', q);
        }
      }
      if (p != kNone) ++p;
      if (q != kNone) ++q;
    } else if (c == '?') {
      if (q == kNone || q >= name.size()) return false;
      ++p;
      ++q;
    } else {
      if (q == kNone || q >= name.size() || name[q] != c) return false;
      ++p;
      ++q;
    }
  }
}
