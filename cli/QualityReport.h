// The command line's report of new signatures that would hit innocent files, after a
// registration or an import: one stderr line each, with the signature's category and name
// and what was found (SignatureQuality).
#pragma once

#include <string>
#include <vector>

#include "engine/SignatureQuality.h"

class CliConsole;
class InvalFileInfo;

class QualityReport {
 public:
  static void Print(CliConsole& console, const std::vector<QualityWarning>& warnings);
  // "［category］name", CP932.
  static std::string Key(const InvalFileInfo& record);
};
