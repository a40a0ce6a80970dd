#include "ui/QtMessagePresenter.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

#include "ui/AppLook.h"
#include "ui/DialogHooks.h"
#include "ui/QtText.h"
#include "util/StringTable.h"

namespace {

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::AbortRetryIgnore: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case MessageButtons::Ok: break;
  }
  return QMessageBox::Ok;
}

QMessageBox::StandardButton FirstButton(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel: return QMessageBox::Ok;
    case MessageButtons::YesNo: return QMessageBox::Yes;
    case MessageButtons::AbortRetryIgnore: return QMessageBox::Abort;
    case MessageButtons::Ok: break;
  }
  return QMessageBox::Ok;
}

// What closing the box without choosing would answer.
int CancellingAnswer(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::OkCancel: return kIdCancel;
    case MessageButtons::YesNo: return kIdNo;
    case MessageButtons::AbortRetryIgnore: return kIdAbort;
    case MessageButtons::Ok: break;
  }
  return kIdOk;
}

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

int ToAnswer(int button, MessageButtons buttons) {
  switch (button) {
    case QMessageBox::Ok: return kIdOk;
    case QMessageBox::Cancel: return kIdCancel;
    case QMessageBox::Abort: return kIdAbort;
    case QMessageBox::Retry: return kIdRetry;
    case QMessageBox::Ignore: return kIdIgnore;
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    default: return CancellingAnswer(buttons);
  }
}

QWidget* DialogParent() {
  QWidget* parent = QApplication::activeModalWidget();
  return parent != nullptr ? parent : QApplication::activeWindow();
}

// Without a folder the chooser opens where it likes; a trailing separator is dropped
// except for the root, as the callers expect.
std::string TrimFolder(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// A file or folder dialog in Japanese throughout; the chosen path, or empty.
QString RunFileDialog(QFileDialog& dialog) {
  UseJapaneseFileDetails(dialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

// A path question: the queued answer, the cancelling (empty) one in strict mode, or what
// the dialog gives; recorded in every case.
template <class Dialog>
std::string Ask(DialogHooks::Request request, bool (*take)(std::string*),
                void (*record)(const DialogHooks::Request&), const Dialog& dialog) {
  std::string chosen;
  if (!take(&chosen)) {
    if (DialogHooks::Strict()) {
      request.unanswered = true;
    } else {
      const QString path = dialog();
      if (!path.isEmpty()) chosen = PathFromQt(path);
    }
  }
  record(request);
  return chosen;
}

}  // namespace

int QtMessagePresenter::Show(const std::string& text, MessageButtons buttons, MessageIcon icon, bool beep) {
  DialogHooks::Message record{text, buttons, icon, beep, 0, false};
  if (beep) QApplication::beep();
  if (DialogHooks::TakeAnswer(&record.answer)) {
    DialogHooks::RecordMessage(record);
    return record.answer;
  }
  if (DialogHooks::Strict()) {
    record.answer = CancellingAnswer(buttons);
    record.unanswered = true;
    DialogHooks::RecordMessage(record);
    return record.answer;
  }
  QMessageBox box(ToQtIcon(icon), ToQt(LoadString(kStrAppTitle)), ToQt(text), ToQtButtons(buttons), DialogParent());
  box.setDefaultButton(FirstButton(buttons));
  record.answer = ToAnswer(box.exec(), buttons);
  DialogHooks::RecordMessage(record);
  return record.answer;
}

std::string QtMessagePresenter::ChooseFolder(const std::string& title, const std::string& initial) {
  return TrimFolder(Ask({title, initial, false}, DialogHooks::TakeFolder, DialogHooks::RecordFolderRequest, [&] {
    QFileDialog dialog(DialogParent(), ToQt(title), PathToQt(initial));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    return RunFileDialog(dialog);
  }));
}

std::string GetOpenFileName(QWidget* parent, const std::string& title, const std::string& initialPath,
                            const std::string& filter) {
  return Ask({title, initialPath, false}, DialogHooks::TakeOpenFileName, DialogHooks::RecordOpenRequest, [&] {
    QFileDialog dialog(parent != nullptr ? parent : DialogParent(), ToQt(title), PathToQt(initialPath), ToQt(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    return RunFileDialog(dialog);
  });
}

std::string GetSaveFileName(QWidget* parent, const std::string& title, const std::string& initialPath,
                            const std::string& filter) {
  return Ask({title, initialPath, false}, DialogHooks::TakeSaveFileName, DialogHooks::RecordSaveRequest, [&] {
    QFileDialog dialog(parent != nullptr ? parent : DialogParent(), ToQt(title), PathToQt(initialPath), ToQt(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    return RunFileDialog(dialog);
  });
}

void ShowViewerFailure(const std::string& file) {
  MessageBoxText(FromQt(Utf8("ファイルを表示するプログラムを起動できませんでした。\n")) + file, MessageButtons::Ok,
                 MessageIcon::Exclamation);
}
