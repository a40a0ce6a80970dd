// A list of wildcard patterns in one text, joined by a separator (";" in every use), and
// the program's own matching rule for file names: "*" jumps to a full stop of the name
// rather than backtracking, so "*.htm" matches only names whose last extension is htm and
// "*" only names without a full stop. Patterns are kept lower case by their callers; names
// are made lower case (single-byte letters only) before they are compared.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/PathStyle.h"

class CPatternList {
 public:
  // Match results.
  enum { kNoMatch = 0, kMatch = 1, kMatchAll = 2 };

  explicit CPatternList(char separator = ';') : separator_(separator) {}
  CPatternList(std::string_view text, char separator) : text_(text), separator_(separator) {}

  void SetText(std::string_view text) { text_.assign(text.data(), text.size()); }
  const std::string& Text() const { return text_; }
  char Separator() const { return separator_; }

  // Token i: the text between the i-th and the (i+1)-th separator without the blanks
  // around it; empty beyond the last. An empty token is passed over by every use of the
  // list; it does not end it.
  std::string_view GetToken(int i) const;
  // The usable (non-empty) tokens in order, views into the text.
  std::vector<std::string_view> Tokens() const;
  // Whether the text holds a usable token at all: "", ";" or " ; " select nothing, and a
  // caller must not take them for a search.
  bool HasUsableToken() const;
  // 0 for an empty text, else the number of separators + 1.
  int GetCount() const;
  // The text with its single-byte letters made lower case equals one of the tokens.
  bool Contains(std::string_view text) const;
  // Appends the text (after a separator when the list is not empty) unless Contains.
  void AddUnique(std::string_view text);

  // Matches the file-name part of a path: kNoMatch, kMatch, or kMatchAll when the first
  // matching token is "*.*" or "*". Tokens are tried in order; the first match decides.
  int Match(std::string_view path, PathStyle style = kNativePathStyle) const;
  // The same for a bare name (no separator is looked for).
  int MatchName(std::string_view name) const;

  // One token against a name that is already lower case.
  static bool MatchToken(std::string_view token, std::string_view lowerName);

 private:
  std::string text_;
  char separator_;
};
