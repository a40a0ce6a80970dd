// Message boxes of the core on the command line: the text goes to stderr and the answer is
// the one that lets an unattended run go on. A question (Yes/No: message 141, the log
// folder that cannot be made) is answered Yes, so a search that leaves its hits alone runs
// without its automatic log rather than not at all (one that processes them has checked
// its logs before and refused to start); a retry choice is answered Ignore; anything else
// OK. No folder chooser exists here.
#pragma once

#include "util/MessageBox.h"

class CliConsole;

class CliMessagePresenter : public MessagePresenter {
 public:
  explicit CliMessagePresenter(CliConsole& console) : console_(console) {}

  int Show(const std::string& text, MessageButtons buttons, MessageIcon icon, bool beep) override;
  std::string ChooseFolder(const std::string& title, const std::string& initial) override;

 private:
  CliConsole& console_;
};
