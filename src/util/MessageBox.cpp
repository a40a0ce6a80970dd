#include "util/MessageBox.h"

#include "util/StringTable.h"

namespace {
MessagePresenter* g_presenter = nullptr;
}

void SetMessagePresenter(MessagePresenter* presenter) { g_presenter = presenter; }
MessagePresenter* GetMessagePresenter() { return g_presenter; }

int MessageBoxText(const std::string& text, MessageButtons buttons, MessageIcon icon, bool beep) {
  if (g_presenter == nullptr) return kIdOk;
  return g_presenter->Show(text, buttons, icon, beep);
}

int MessageBoxById(int stringId, MessageButtons buttons, MessageIcon icon, bool beep, bool show) {
  if (!show) return kIdOk;
  return MessageBoxText(LoadString(stringId), buttons, icon, beep);
}

std::string BrowseForFolder(int titleStringId, const std::string& initialFolder) {
  if (g_presenter == nullptr) return std::string();
  return g_presenter->ChooseFolder(LoadString(titleStringId), initialFolder);
}
