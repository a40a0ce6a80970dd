// The one crossing between the program's CP932 texts and Qt's QString. Display texts go
// through the CP932 table; paths take the lossless file-name route, so a name that CP932
// cannot hold shows its real characters instead of user-defined-area placeholders.
#pragma once

#include <QString>
#include <string>

#include "platform/Encoding.h"

// A text written in this program's (UTF-8) sources, such as a form's Japanese labels.
inline QString Utf8(const char* text) { return QString::fromUtf8(text); }

inline QString ToQt(const std::string& cp932) { return QString::fromStdString(platform::Cp932ToUtf8(cp932)); }

inline QString PathToQt(const std::string& cp932) {
  return QString::fromStdString(platform::Cp932ToOsName(cp932));
}

inline std::string FromQt(const QString& text) { return platform::Utf8ToCp932(text.toStdString()); }

// A path typed or chosen in a dialog, back to the program's lossless CP932 form.
inline std::string PathFromQt(const QString& path) { return platform::OsNameToCp932(path.toStdString()); }
