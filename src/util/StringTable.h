// The program's message texts by number, as CP932 bytes: the message boxes, the folder
// chooser titles and the status texts all take their wording from here. Also the one
// message that is not numbered (a form that could not be created).
#pragma once

#include <string>
#include <string_view>

enum StringId : int {
  kStrProgramName = 128,
  kStrRegisterFolderTitle = 129,
  kStrNotReady = 130,
  kStrLowMemory = 131,
  kStrSettingsDiskError = 132,
  kStrNameMissing = 133,
  kStrNameDuplicate = 134,
  kStrSearchFinished = 135,
  kStrSearchStopped = 136,
  kStrAddFolderTitle = 137,
  kStrRegisterFinished = 138,
  kStrRegisterStopped = 139,
  kStrLogFolderTitle = 140,
  kStrLogFolderInvalid = 141,
  kStrMoveFolderTitle = 142,
  kStrFileExists = 143,
  kStrConfirmDelete = 144,
  kStrProcessFailed = 145,
  kStrSettingsUnreadable = 146,  // not of the original program: said when its settings cannot be read
  kStrAppTitle = 57344,  // the title of every message box
};

class StringTable {
 public:
  // The text of a number; empty for a number the table does not hold.
  static std::string_view Get(int stringId);
};

// A copy of StringTable::Get, for callers that keep the text.
std::string LoadString(int stringId);

// "ﾒﾓﾘｰ不足等で、処理を中断しました。", shown when a form cannot be created.
inline constexpr std::string_view kMessageFormCreationFailed = "\xD2\xD3\xD8\xB0\x95s\x91\xAB\x93\x99\x82\xC5\x81""A\x8F\x88\x97\x9D\x82\xF0\x92\x86\x92""f\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81""B";
