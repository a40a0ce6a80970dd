#include "ui/CDScanTarget.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QValidator>
#include <algorithm>

#include "settings/AppFiles.h"
#include "settings/NumberedTexts.h"
#include "settings/ScanTargetSettings.h"
#include "ui/AppContext.h"
#include "ui/CImageList.h"
#include "ui/CListCtrEx.h"
#include "ui/CMainFrame.h"
#include "ui/QtText.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

constexpr const char* kSection = ScanTargetSettings::kSection;
constexpr const char kAllFiles[] = "*.*";

std::string Key(const char* stem, int index) { return NumberedKey(stem, static_cast<size_t>(index)); }

}  // namespace

CDScanTarget::CDScanTarget(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  LoadSettings();
  BuildControls();
  InitDialog();
}

CDScanTarget::~CDScanTarget() {
  // The file type last taken from the box (by a search or the drop-down) joins the history;
  // text typed and never used is not remembered.
  WriteControls();
  RememberPattern(fileTypeText_);
  list_->DeleteAllItems();
  SaveSettings();
}

void CDScanTarget::LoadSettings() {
  ScanTargetSettings loaded = ScanTargetSettings::Load(SettingsFile());
  subfolders_ = loaded.subfolders ? 1 : 0;
  fileTypeText_ = loaded.CurrentPattern();
  recentPatterns_ = std::move(loaded.patterns);
  targetList_ = std::move(loaded.targets);
}

void CDScanTarget::SaveSettings() const {
  const ProfileFile& settings = SettingsFile();
  // Only this write asks the user: when it fails, the lists below would fail as well.
  while (!settings.PutSettingInt(kSection, "fSubDir", subfolders_ == 1 ? 1 : 0)) {
    const int answer = MessageBoxById(kStrSettingsDiskError, MessageButtons::AbortRetryIgnore, MessageIcon::Exclamation,
                                      true);
    if (answer == kIdAbort) return;
    if (answer == kIdIgnore) break;
  }
  int slot = 0;
  for (const std::string& pattern : recentPatterns_) {
    if (!pattern.empty()) settings.PutSettingText(kSection, Key("File", slot++), pattern);
  }
  slot = 0;
  for (const std::string& target : targetList_) {
    if (!target.empty()) settings.PutSettingText(kSection, Key("Path", slot++), target);
  }
  // The empty slot ends the list for the next start; older slots after it are never read.
  settings.PutSettingText(kSection, Key("Path", slot), std::string());
}

void CDScanTarget::InitDialog() {
  RefillList();
  FillPatternChoices();
  WriteControls();
  // The frame gives the form the focus when it shows it; the file type takes it.
  setFocusProxy(fileType_);
  EnableControls();
}

void CDScanTarget::RefillList() {
  list_->DeleteAllItems();
  int row = 0;
  for (const std::string& target : targetList_) list_->SetItem(row++, 0, target, CImageList::kFolderClosed);
  if (list_->ItemCount() > 0) list_->SelectRow(0);
  list_->setFocus();
  UpdateSelection();
}

void CDScanTarget::RefillPatternChoices() {
  const QString typed = fileType_->currentText();
  const bool taken = ReadControls();
  FillPatternChoices();
  // The typed text stays in the box, also one refused for its length.
  if (taken) {
    WriteControls();
  } else {
    const QSignalBlocker block(fileType_);
    fileType_->setEditText(typed);
  }
}

void CDScanTarget::FillPatternChoices() {
  const QSignalBlocker block(fileType_);
  fileType_->clear();
  for (const std::string& pattern : recentPatterns_) {
    if (!pattern.empty()) fileType_->addItem(PathToQt(pattern));
  }
}

bool CDScanTarget::ReadControls() {
  const QString text = fileType_->currentText();
  if (text.size() > kMaxFileTypeChars) {
    // The length check of the original dialog framework, in its words; nothing is taken.
    MessageBoxText(FromQt(Utf8("%1 文字以内で入力してください。").arg(kMaxFileTypeChars)), MessageButtons::Ok,
                   MessageIcon::Exclamation);
    fileType_->setFocus();
    fileType_->lineEdit()->selectAll();
    return false;
  }
  fileTypeText_ = PathFromQt(text);
  subfolders_ = subfolderBox_->isChecked() ? 1 : 0;
  return true;
}

void CDScanTarget::WriteControls() {
  // The box shows file types in lower case, as it makes typed ones.
  QString text = PathToQt(fileTypeText_);
  int cursor = 0;
  if (const QValidator* lower = fileType_->lineEdit()->validator()) lower->validate(text, cursor);
  const QSignalBlocker block(fileType_);
  fileType_->setEditText(text);
  subfolderBox_->setChecked(subfolders_ == 1);
}

bool CDScanTarget::UpdateSelection() {
  const int row = list_->SelectedRow();
  selectedTarget_ = row >= 0 && static_cast<size_t>(row) < targetList_.size() ? row : -1;
  EnableControls();
  return selectedTarget_ >= 0;
}

void CDScanTarget::EnableControls() {
  const bool running = ctx_.engine.running;
  const bool selected = selectedTarget_ >= 0;
  searchAll_->setEnabled(!running && list_->ItemCount() > 0);
  cancel_->setEnabled(running);
  add_->setEnabled(!running);
  delete_->setEnabled(!running && selected);
  searchSelected_->setEnabled(!running && selected);
  result_->setEnabled(ctx_.results.Hits() != nullptr);
  exit_->setEnabled(!running);
}

void CDScanTarget::OnAddFolder() {
  const std::string folder = BrowseForFolder(kStrAddFolderTitle, std::string());
  if (folder.empty() || !targetList_.Add(folder, true)) return;
  const int row = list_->ItemCount();
  list_->SetItem(row, 0, folder, CImageList::kFolderClosed);
  list_->setFocus();
  list_->SelectRow(row);
  list_->EnsureVisible(row);
  UpdateSelection();
}

void CDScanTarget::OnDeleteFolder() {
  if (!UpdateSelection()) return;
  const int row = selectedTarget_;
  targetList_.RemoveAt(static_cast<size_t>(row));
  list_->DeleteItem(row);
  const int count = list_->ItemCount();
  if (count > 0) {
    list_->SelectRow(std::min(row, count - 1));
    list_->setFocus();
  }
  UpdateSelection();
}

void CDScanTarget::OnShowResult() {
  CMainFrame* frame = CMainFrame::Of(this);
  if (frame != nullptr && ctx_.results.Hits() != nullptr) frame->ShowForm(kFormResult);
}

void CDScanTarget::OnExit() {
  CMainFrame* frame = CMainFrame::Of(this);
  if (frame != nullptr && !ctx_.engine.running) frame->EndProgram();
}

void CDScanTarget::OnCancel() { ctx_.engine.running = false; }

void CDScanTarget::RememberPattern(const std::string& text) {
  if (text.empty()) return;
  const std::string pattern = text;  // text may be an entry of the history itself
  fileTypeText_ = pattern;
  const int old = recentPatterns_.IndexOf(pattern);
  if (old >= 0) recentPatterns_.RemoveAt(static_cast<size_t>(old));
  recentPatterns_.Insert(0, pattern, false);
}

void CDScanTarget::PreparePattern() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  patternList_.SetText(SearchPatternText(fileTypeText_));
  // Nothing but separators and blanks would search no file at all and report the folders
  // clean; like an empty box it means every file.
  if (!patternList_.HasUsableToken()) {
    fileTypeText_ = kAllFiles;
    patternList_.SetText(SearchPatternText(fileTypeText_));
  }
  QApplication::restoreOverrideCursor();
}

bool CDScanTarget::OnSearchAll() {
  if (ctx_.engine.running) return false;
  return ArmSearch(targetList_);
}

bool CDScanTarget::OnSearchSelected() {
  if (ctx_.engine.running || !UpdateSelection()) return false;
  selectedList_.reset();
  selectedList_ = std::make_unique<TextList>();
  selectedList_->Add(targetList_[static_cast<size_t>(selectedTarget_)], false);
  return ArmSearch(*selectedList_);
}

bool CDScanTarget::ArmSearch(const TextList& targets) {
  if (!ReadControls()) return false;
  ctx_.scanOptions.ApplyCategoryChecks(ctx_.store);
  PreparePattern();
  if (!ctx_.engine.Prepare(targets, patternList_, subfolders_ == 1, ctx_.store)) return false;
  ctx_.engine.SetFoldersNotSearched(ctx_.scanOptions.FoldersNotSearched());
  RememberPattern(patternList_.Text());
  WriteControls();
  ctx_.results.ResetResult();
  CMainFrame* frame = CMainFrame::Of(this);
  if (frame != nullptr) {
    frame->SetResultAvailable(true);
    frame->ShowForm(kFormResult);
  }
  // Nothing is searched yet: the program's idle time runs the armed search.
  ctx_.engine.running = true;
  EnableControls();
  if (frame != nullptr) frame->UpdateCommandStates();
  emit SearchArmed();
  return true;
}

void CDScanTarget::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // 全検索 is the form's default button.
      if (searchAll_->isEnabled()) searchAll_->click();
      event->accept();
      return;
    case Qt::Key_Escape:
      OnCancel();
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}
