// Message boxes by string number and the folder chooser, as the core asks for them. The
// core never shows a window itself: the desktop program installs a presenter that shows
// real dialogs, the command line one that prints, and tests a recording fake.
#pragma once

#include <string>

enum class MessageButtons { Ok, OkCancel, YesNo, AbortRetryIgnore };
enum class MessageIcon { None, Information, Exclamation, Stop, Question };

// Answers, numbered as the platform's dialog results.
enum MessageAnswer { kIdOk = 1, kIdCancel = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5, kIdYes = 6, kIdNo = 7 };

class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  // text is CP932. Returns the answer.
  virtual int Show(const std::string& text, MessageButtons buttons, MessageIcon icon, bool beep) = 0;
  // A folder chosen by the user (CP932, no trailing separator except for a root), or empty
  // when cancelled. title is CP932; initial may be empty.
  virtual std::string ChooseFolder(const std::string& title, const std::string& initial) = 0;
};

// The presenter in use; null shows nothing (every box answers OK, every chooser cancels).
void SetMessagePresenter(MessagePresenter* presenter);
MessagePresenter* GetMessagePresenter();

// With show clear nothing is shown and the answer is OK.
int MessageBoxById(int stringId, MessageButtons buttons, MessageIcon icon, bool beep = false, bool show = true);
int MessageBoxText(const std::string& text, MessageButtons buttons, MessageIcon icon, bool beep = false);

// The folder chooser titled with a string of the table; empty when cancelled or unavailable.
std::string BrowseForFolder(int titleStringId, const std::string& initialFolder);
