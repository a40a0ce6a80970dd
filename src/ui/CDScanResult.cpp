#include "ui/CDScanResult.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "result/DetectedFileList.h"
#include "log/LogManager.h"
#include "log/SearchLog.h"
#include "ui/AppContext.h"
#include "ui/CDInvalFileOpe.h"
#include "ui/CDResultInvalFile.h"
#include "ui/CDialogUnits.h"
#include "ui/CListCtrEx.h"
#include "ui/CMainFrame.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtText.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

struct CounterField {
  int id;
  const char* label;
  int32_t ScanCounts::*counter;
  int column;
  int row;
};

// Searched, hits and unprocessed on the left; renamed, deleted and moved on the right.
constexpr std::array<CounterField, 6> kCounters = {{
    {CDScanResult::kIdSearched, "検索ファイル数：", &ScanCounts::searched, 0, 0},
    {CDScanResult::kIdInvalid, "不正ファイル数：", &ScanCounts::invalid, 0, 1},
    {CDScanResult::kIdUnprocessed, "未処理ファイル数：", &ScanCounts::unprocessed, 0, 2},
    {CDScanResult::kIdRenamed, "リネームファイル数：", &ScanCounts::renamed, 1, 0},
    {CDScanResult::kIdDeleted, "削除ファイル数：", &ScanCounts::deleted, 1, 1},
    {CDScanResult::kIdMoved, "移動ファイル数：", &ScanCounts::moved, 1, 2},
}};

// The trailing blanks set the column widths.
constexpr std::array<const char*, 5> kColumnTitles = {
    "ファイル名             ", "フォルダ名            ", "名称            ", "分類            ", "位置情報        ",
};

}  // namespace

CDScanResult::CDScanResult(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  refreshTimer_.setSingleShot(true);
  refreshTimer_.setInterval(kCounterRefreshMs);
  connect(&refreshTimer_, &QTimer::timeout, this, &CDScanResult::RefreshFields);
  BuildControls();
  RefillRows();
  RefreshFields();
  ctx_.results.SetListener(this);
}

CDScanResult::~CDScanResult() { ctx_.results.SetListener(nullptr); }

void CDScanResult::BuildControls() {
  const CDialogUnits du(font());

  // Frames first, so that the controls inside lie above them.
  du.Place(new QGroupBox(Utf8("処理結果"), this), 0, 7, 3, 305, 62);
  du.Place(new QGroupBox(Utf8("不正ファイル一覧"), this), 0, 7, 69, 305, 161);

  for (size_t i = 0; i < kCounters.size(); ++i) {
    const CounterField& field = kCounters[i];
    const int x = 16 + field.column * 150;
    const int y = 17 + field.row * 15;
    auto* label = new QLabel(Utf8(field.label), this);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    du.Place(label, 0, x, y, 84, 12);
    auto* edit = new QLineEdit(QStringLiteral("0"), this);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    du.Place(edit, field.id, x + 86, y, 50, 12);
    counterFields_[i] = edit;
  }

  list_ = du.List(this, kIdList, 14, 81, 291, 143);
  // The form takes the focus (when it is shown for a search) on its list.
  setFocusProxy(list_);
  for (size_t c = 0; c < kColumnTitles.size(); ++c) list_->InsertColumn(FromQt(Utf8(kColumnTitles[c])), int(c));

  process_ = du.Button(this, kIdProcess, Utf8("処理..."), 7, 236, 50);
  signatureInfo_ = du.Button(this, kIdSignatureInfo, Utf8("DB情報..."), 61, 236, 50);
  saveLog_ = du.Button(this, kIdSaveLog, Utf8("ﾛｸﾞ保存..."), 115, 236, 50);
  back_ = du.Button(this, kIdBack, Utf8("戻る"), 208, 236, 50);
  stop_ = du.Button(this, kIdStop, Utf8("検索中止"), 262, 236, 50);

  connect(process_, &QPushButton::clicked, this, [this] { ProcessSelected(); });
  connect(signatureInfo_, &QPushButton::clicked, this, &CDScanResult::ShowSignatureInfo);
  connect(saveLog_, &QPushButton::clicked, this, [this] { SaveLogAs(); });
  connect(back_, &QPushButton::clicked, this, [this] { CMainFrame::ShowTargetForm(this); });
  connect(stop_, &QPushButton::clicked, this, &CDScanResult::StopSearch);
  connect(list_, &CListCtrEx::SelectionChanged, this, [this] {
    if (list_->isVisible()) UpdateSelection();
  });
  // Once the user has clicked or typed in the list, new hits leave the selection alone.
  connect(list_, &CListCtrEx::RowClicked, this, [this] { autoFollowOff_ = true; });
  connect(list_, &CListCtrEx::KeyPressed, this, [this] { autoFollowOff_ = true; });
}

void CDScanResult::OnReset() {
  refreshNow_ = true;
  RefillRows();
  if (CMainFrame* frame = CMainFrame::Of(this)) frame->SetResultAvailable(true);
}

void CDScanResult::OnCountsChanged(const ScanCounts&) {
  // Repainting six fields per file, or the list for every hit, would cost a fast search
  // much of its speed: both catch up at most every kCounterRefreshMs.
  // Called for every file: no clock is read here, the timer runs while changes wait.
  countsPending_ = true;
  if (refreshNow_) {
    RefreshFields();
  } else if (!refreshTimer_.isActive()) {
    refreshTimer_.start();
  }
}

void CDScanResult::OnHitAdded(size_t, const DetectedFile&) {
  // The row is added with the next refresh of the counters, which follows at once.
  rowsPending_ = true;
}

void CDScanResult::AddPendingRows() {
  rowsPending_ = false;
  const DetectedFileList* hits = ctx_.results.Hits();
  const int first = list_->ItemCount();
  if (hits == nullptr || static_cast<size_t>(first) >= hits->size()) return;
  // The first hit of a search follows again, whatever the user did in the last one.
  if (first == 0) autoFollowOff_ = false;
  list_->SuspendRedraw(true);
  for (size_t i = static_cast<size_t>(first); i < hits->size(); ++i) AddRow((*hits)[i]);
  list_->SuspendRedraw(false);
  if (!autoFollowOff_) {
    list_->setFocus();
    list_->SelectRow(list_->ItemCount() - 1);
  }
  UpdateSelection();
}

void CDScanResult::AddRow(const DetectedFile& hit) {
  // The hit stays at its address until the next search drops every row.
  list_->AppendRow({hit.FileName(), hit.Folder(), hit.SignatureName(), hit.SignatureCategory(), hit.PositionText()},
                   CImageList::kPage, &hit);
}

void CDScanResult::RefillRows() {
  rowsPending_ = false;
  list_->SuspendRedraw(true);
  list_->DeleteAllItems();
  if (const DetectedFileList* hits = ctx_.results.Hits(); hits != nullptr && !hits->empty()) {
    for (const DetectedFile& hit : *hits) AddRow(hit);
    list_->SelectRow(0);
  }
  list_->SuspendRedraw(false);
  list_->setFocus();
  UpdateSelection();
}

bool CDScanResult::UpdateSelection() {
  selectedIndex_ = list_->SelectedRow();
  if (selectedIndex_ < 0) {
    selected_ = nullptr;
  } else if (const DetectedFile** hit = list_->UserData<const DetectedFile*>(selectedIndex_)) {
    selected_ = *hit;
  }
  UpdateButtons();
  return selected_ != nullptr;
}

void CDScanResult::UpdateButtons() {
  if (countsPending_ || rowsPending_) RefreshFields();
  const bool running = ctx_.engine.running;
  const bool hitSelected = selected_ != nullptr;
  QWidget* focused = QApplication::focusWidget();
  back_->setEnabled(!running);
  stop_->setEnabled(running);
  saveLog_->setEnabled(!running);
  signatureInfo_->setEnabled(!running && hitSelected);
  process_->setEnabled(!running && hitSelected);
  // A button greyed with the focus would pass it on to the next control, a counter field;
  // the list is where the user goes on.
  if (focused != nullptr && isAncestorOf(focused) && QApplication::focusWidget() != focused) list_->setFocus();
}

void CDScanResult::RefreshFields() {
  refreshTimer_.stop();
  // Rows first: selecting the newest one applies the button rules, which come back here.
  countsPending_ = false;
  if (rowsPending_) AddPendingRows();
  const ScanCounts& counts = ctx_.results.Counts();
  // The fields start at "0", as shownCounts_ does.
  for (size_t i = 0; i < kCounters.size(); ++i) {
    const auto member = kCounters[i].counter;
    if (shownCounts_.*member == counts.*member) continue;
    counterFields_[i]->setText(QString::number(counts.*member));
  }
  shownCounts_ = counts;
  refreshNow_ = false;
}

bool CDScanResult::SaveLogAs() {
  const std::string filter = FromQt(Utf8("ログ (*.log)"));
  std::string initial = ProposedLogName(ctx_.logManager.LogFolder(), ctx_.engine.StartTime());
  for (;;) {
    const std::string chosen = GetSaveFileName(this, std::string(), initial, filter);
    if (chosen.empty()) return false;
    initial = chosen;
    if (LogSaveNameTaken(chosen)) {
      MessageBoxById(kStrFileExists, MessageButtons::Ok, MessageIcon::Information, true);
      continue;
    }
    const std::string path = FinalLogPath(chosen);
    if (path.empty()) continue;
    return WriteLogFile(path, ctx_.engine.RunInfo(), ctx_.results.Hits());
  }
}

void CDScanResult::StopSearch() { ctx_.engine.running = false; }

bool CDScanResult::ProcessSelected() {
  if (ctx_.engine.running || selected_ == nullptr) return false;
  // Copies: the hit belongs to the result list, not to the dialogs shown below.
  const std::string path = selected_->PathText();
  const HitIdentity identity = selected_->Identity();
  ProcessedFile done;
  if (!ProcessHitByHand(DialogOwner(), path, identity, &done)) return false;
  ctx_.RecordProcessedByHand(done);
  return true;
}

void CDScanResult::ShowSignatureInfo() {
  if (ctx_.engine.running || selected_ == nullptr) return;
  CDResultInvalFile::ShowHit(DialogOwner(), *selected_);
}

QWidget* CDScanResult::DialogOwner() {
  CMainFrame* frame = CMainFrame::Of(this);
  return frame != nullptr ? static_cast<QWidget*>(frame) : this;
}

void CDScanResult::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      StopSearch();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (back_->isEnabled()) back_->click();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}
