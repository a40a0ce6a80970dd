#include "CliMessagePresenter.h"

#include "CliConsole.h"

int CliMessagePresenter::Show(const std::string& text, MessageButtons buttons, MessageIcon, bool) {
  switch (buttons) {
    case MessageButtons::YesNo:
      console_.ErrLine(text + " -> Yes");
      return kIdYes;
    case MessageButtons::AbortRetryIgnore:
      console_.ErrLine(text + " -> Ignore");
      return kIdIgnore;
    case MessageButtons::OkCancel:
    case MessageButtons::Ok:
      break;
  }
  console_.ErrLine(text);
  return kIdOk;
}

std::string CliMessagePresenter::ChooseFolder(const std::string&, const std::string&) { return std::string(); }
