// The desktop program's message boxes and folder chooser: QMessageBox titled with the
// application title (string 57344) and the buttons and icon the caller names, the
// information beep before it when asked, and QFileDialog for folders. Both honour the test
// hooks of DialogHooks. GetOpenFileName and GetSaveFileName are the file dialogs of the
// forms, hooked alike.
#pragma once

#include <string>

#include "util/MessageBox.h"

class QWidget;

class QtMessagePresenter : public MessagePresenter {
 public:
  int Show(const std::string& text, MessageButtons buttons, MessageIcon icon, bool beep) override;
  std::string ChooseFolder(const std::string& title, const std::string& initial) override;
};

// The open-file dialog: only an existing file can be chosen. title, initial path and
// filter ("エディタ (*)", several separated by ";;") are CP932; returns the chosen path, or
// empty when cancelled.
std::string GetOpenFileName(QWidget* parent, const std::string& title, const std::string& initialPath,
                            const std::string& filter);

// The save-as dialog: title, initial path and filter ("ログ ファイル (*.log)", several
// separated by ";;") are CP932; returns the chosen path, or empty when cancelled. It asks
// nothing about an existing file: the callers check that themselves.
std::string GetSaveFileName(QWidget* parent, const std::string& title, const std::string& initialPath,
                            const std::string& filter);

// Tells the user that no program could be started to show file (CP932).
void ShowViewerFailure(const std::string& file);
