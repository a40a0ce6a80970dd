#include "ui/CDScanOption.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "result/ProcessResult.h"
#include "ui/AppContext.h"
#include "ui/CDialogUnits.h"
#include "ui/CListCtrEx.h"
#include "ui/CMainFrame.h"
#include "ui/QtText.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

const char kGuide[] =
    "検索分類項目をﾁｪｯｸして、検索する不正ﾌｧｲﾙの種類を設定して下さい。\n"
    "ﾁｪｯｸした検索分類に属する不正のみ検索することができます。\n"
    "変更ﾙｰﾙ 例： *.*.INV (abc.def=>abc.def.INV)  _*.*_ (abc.def=>_abc.def_)";

}  // namespace

CDScanOption::CDScanOption(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  ctx_.scanOptions.LoadSettings();
  BuildControls();
  ShowMembers();
  RefillRows();
  UpdateEnabling();
}

CDScanOption::~CDScanOption() {
  CaptureChecks();
  // A settings file that cannot be written is not reported here.
  ctx_.scanOptions.SaveSettings();
}

void CDScanOption::BuildControls() {
  const CDialogUnits du(font());

  // Frames first, so that the controls inside lie above them.
  du.Place(new QGroupBox(Utf8("自動処理"), this), 0, 184, 3, 128, 158);
  du.Guide(this, kIdGuide, kGuide, 166, 64, 178, 48);

  du.Place(new QLabel(Utf8("検索分類"), this), 0, 7, 4, 80, 10);
  list_ = du.List(this, kIdCategories, 7, 15, 170, 146, true);
  list_->InsertColumn(CListCtrEx::WideColumnTitle(Utf8("分類")), 0);

  modes_ = new QButtonGroup(this);
  auto radio = [&](int mode, int id, const char* text, int y) {
    auto* button = new QRadioButton(Utf8(text), this);
    du.Place(button, id, 194, y, 100, 12);
    modes_->addButton(button, mode);
  };
  radio(kModeLeave, kIdModeLeave, "未処理", 16);
  radio(kModeDelete, kIdModeDelete, "削除", 31);
  radio(kModeRename, kIdModeRename, "ﾘﾈｰﾑ", 46);
  du.Place(new QLabel(Utf8("変更ﾙｰﾙ："), this), 0, 206, 61, 98, 10);
  rule_ = new QComboBox(this);
  rule_->setEditable(true);
  rule_->setInsertPolicy(QComboBox::NoInsert);
  rule_->addItems({QStringLiteral("*.*.INV"), QStringLiteral("_*.*_")});
  du.Place(rule_, kIdRule, 206, 72, 98, 14);
  radio(kModeMove, kIdModeMove, "移動", 95);
  moveFolder_ = new QLineEdit(this);
  du.Place(moveFolder_, kIdMoveFolder, 206, 110, 98, 13);
  QPushButton* browse = du.Button(this, kIdBrowse, Utf8("参照..."), 254, 127, 50);

  back_ = du.Button(this, kIdBack, Utf8("戻る"), 262, 236, 50);
  du.InertCancel(this);

  connect(modes_, &QButtonGroup::idToggled, this, [this](int mode, bool checked) {
    if (!checked) return;
    ctx_.scanOptions.SetMode(mode);
    UpdateEnabling();
  });
  // Every edit goes into the settings at once: a hit may be processed before the focus
  // ever leaves the field.
  connect(rule_, &QComboBox::editTextChanged, this, [this](const QString& text) { ctx_.scanOptions.SetRule(FromQt(text)); });
  connect(moveFolder_, &QLineEdit::textChanged, this,
          [this](const QString& text) { ctx_.scanOptions.SetMoveFolder(PathFromQt(text)); });
  connect(list_, &CListCtrEx::CheckChanged, this,
          [this](int row, int check) { ctx_.scanOptions.SetChecked(size_t(row), check == 1); });
  connect(browse, &QPushButton::clicked, this, &CDScanOption::BrowseMoveFolder);
  connect(back_, &QPushButton::clicked, this, [this] { CMainFrame::ShowTargetForm(this); });
}

void CDScanOption::ShowMembers() {
  const ScanOptions& options = ctx_.scanOptions;
  if (QAbstractButton* button = modes_->button(options.Mode())) {
    const QSignalBlocker block(modes_);
    button->setChecked(true);
  }
  {
    const QSignalBlocker block(rule_);
    rule_->setEditText(ToQt(options.Rule()));
  }
  const QSignalBlocker block(moveFolder_);
  moveFolder_->setText(PathToQt(options.MoveFolder()));
}

void CDScanOption::RefillRows() {
  list_->SuspendRedraw(true);
  list_->DeleteAllItems();
  const std::vector<std::string>& categories = ctx_.scanOptions.Categories();
  for (size_t i = 0; i < categories.size(); ++i) {
    list_->SetItem(int(i), 0, categories[i], CImageList::kYellowMark, ctx_.scanOptions.IsChecked(i) ? 1 : 0,
                   categories[i]);
  }
  if (!categories.empty()) list_->SelectRow(0);
  list_->SuspendRedraw(false);
  list_->setFocus();
}

void CDScanOption::UpdateEnabling() {
  const int mode = ctx_.scanOptions.Mode();
  rule_->setEnabled(mode == kModeRename);
  moveFolder_->setEnabled(mode == kModeMove);
}

void CDScanOption::CaptureChecks() {
  for (int row = 0; row < list_->ItemCount(); ++row) {
    const int check = list_->Check(row);
    if (check >= 0) ctx_.scanOptions.SetChecked(size_t(row), check == 1);
  }
}

void CDScanOption::BrowseMoveFolder() {
  const std::string folder = BrowseForFolder(kStrMoveFolderTitle, ctx_.scanOptions.MoveFolder());
  if (folder.empty()) return;
  ctx_.scanOptions.SetMoveFolder(folder);
  ShowMembers();
}

void CDScanOption::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    back_->click();
    return;
  }
  QWidget::keyPressEvent(event);
}
