// Rename rules over any rule and name. Input: the rule, NUL, the name (without a NUL the
// whole input is the name and the rule "*.*.INV"; NULs in the name are dropped). The result is checked against the rule
// language read step by step from its description, and a name that IsPlainFileName lets
// through must stay one name in its folder, on the file system too.
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/Encoding.h"
#include "result/RenameRule.h"
#include "util/CDFile.h"

namespace {

// "*": the name from the cursor up to its next dot (the cursor stays on it), or all the rest
// when there is none (the cursor is gone). ".": a dot, and the cursor steps over a dot it
// stands on. Anything else: itself.
std::string Expected(std::string_view rule, std::string_view name) {
  std::string out;
  bool present = true;
  size_t q = 0;
  for (char c : rule) {
    if (c == '*') {
      if (!present) continue;
      size_t end = q;
      while (end < name.size() && name[end] != '.') ++end;
      out.append(name.substr(q, end - q));
      if (end == name.size()) present = false;
      q = end;
    } else if (c == '.') {
      out += '.';
      if (present && q < name.size() && name[q] == '.') ++q;
    } else {
      out += c;
    }
  }
  return out;
}

void CheckPlain(const std::string& result, PathStyle style) {
  if (!IsPlainFileName(result, style)) return;
  FUZZ_CHECK(!result.empty() && result != "." && result != "..");
  if (style == kBackslashPathStyle) {
    const std::string folder = "C:\\d\\";
    CDFile file(style);
    file.AssignPath(folder + result);
    FUZZ_CHECK(file.FolderPart().str() == folder);
  } else {
    // Here a lead byte may pair with "/" in the text; what counts is the name the file
    // system is given.
    const std::string os = platform::Cp932ToOsName(result);
    FUZZ_CHECK(os.find('/') == std::string::npos && os.find('\0') == std::string::npos);
    FUZZ_CHECK(os != "." && os != "..");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t nul = input.find('\0');
  const std::string_view rule = nul == std::string_view::npos ? std::string_view("*.*.INV") : input.substr(0, nul);
  // No file name holds a NUL (and a rule read from the settings ends at one).
  std::string name(nul == std::string_view::npos ? input : input.substr(nul + 1));
  std::erase(name, '\0');

  const std::string result = ApplyRenameRule(rule, name);
  FUZZ_CHECK(result == Expected(rule, name));
  FUZZ_CHECK(result.size() <= rule.size() + name.size());
  CheckPlain(result, kNativePathStyle);
  CheckPlain(result, kBackslashPathStyle);
  return 0;
}
