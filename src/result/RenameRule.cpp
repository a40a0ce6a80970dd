#include "result/RenameRule.h"

#include "util/ShiftJis.h"

std::string ApplyRenameRule(std::string_view rule, std::string_view name) {
  std::string out;
  size_t cursor = 0;
  bool cursorPresent = true;  // absent once a "*" has copied the rest of the name
  for (char c : rule) {
    if (c == '*') {
      if (!cursorPresent) continue;
      const size_t dot = name.find('.', cursor);
      if (dot != std::string_view::npos) {
        out.append(name.substr(cursor, dot - cursor));
        cursor = dot;
      } else {
        out.append(name.substr(cursor));
        cursorPresent = false;
      }
    } else if (c == '.') {
      out.push_back('.');
      if (cursorPresent && cursor < name.size() && name[cursor] == '.') ++cursor;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool IsPlainFileName(std::string_view name, PathStyle style) {
  if (name.empty() || name == "." || name == "..") return false;
  // A NUL would end the name at the OS call, which could then see "." or "..".
  if (name.find('\0') != std::string_view::npos) return false;
  for (size_t i = 0; i < name.size(); i += shiftjis::CharSize(name, i)) {
    if (shiftjis::CharSize(name, i) == 1 && name[i] == style.separator) return false;
  }
  return true;
}
