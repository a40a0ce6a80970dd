// --format tsv: a header line, then one line per hit with its full path, signature name,
// category, risk level, position (hex, as the log writes it), processing result and the
// path a rename or move gave it (empty when none). Every field is escaped as the hit lines
// of the console are (CliConsole::Shown*: TAB, CR, LF and backslash as \t \r \n \\, other
// controls as \xHH), so no field holds a TAB, CR or LF and each unescapes to its bytes.
// Lines end with LF; the encoding is the console's, paths are the file system's bytes.
#pragma once

#include <string>

class CliConsole;
class DetectedFile;
class HitProcessing;

class HitTsvFormat {
 public:
  static const char* Header();
  static std::string Line(const CliConsole& console, const HitProcessing& processing,
                          const DetectedFile& hit);
};
