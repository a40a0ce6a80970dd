// The controls of the search target form and their layout in dialog units.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <functional>

#include "ui/AppIcon.h"
#include "ui/CDScanTarget.h"
#include "ui/CDialogUnits.h"
#include "ui/CListCtrEx.h"
#include "ui/QtText.h"

namespace {

const char kGuide[] =
    "「検索対象」ﾌｫﾙﾀﾞを追加し、「全検索」または「選択検索」ﾎﾞﾀﾝを押して下さい。\n"
    "「ｻﾌﾞﾌｫﾙﾀﾞ」をﾁｪｯｸすることで指定ﾌｫﾙﾀﾞ以下を全て検索します。\n"
    "前回検索した結果は「検索結果」ボタンで確認することができます。";

// Typed file types become lower case as they are typed; double-byte characters stay.
class LowerCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (QChar& c : input) {
      if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) c = QChar(c.unicode() + ('a' - 'A'));
    }
    return Acceptable;
  }
};

// The file-type box refills its drop-down list from the history each time it opens.
class FileTypeCombo : public QComboBox {
 public:
  FileTypeCombo(QWidget* parent, std::function<void()> beforePopup)
      : QComboBox(parent), beforePopup_(std::move(beforePopup)) {}
  void showPopup() override {
    beforePopup_();
    QComboBox::showPopup();
  }

 private:
  std::function<void()> beforePopup_;
};

}  // namespace

void CDScanTarget::BuildControls() {
  const CDialogUnits du(font());
  auto button = [&](const char* text, int id, int x, int y) { return du.Button(this, id, Utf8(text), x, y, 50); };

  du.Guide(this, kIdGuide, kGuide, 172, 50, 184, 34);

  du.Place(new QLabel(Utf8("検索ﾌｧｲﾙﾀｲﾌﾟ"), this), 0, 7, 6, 100, 10);
  fileType_ = new FileTypeCombo(this, [this] { RefillPatternChoices(); });
  fileType_->setEditable(true);
  fileType_->setInsertPolicy(QComboBox::NoInsert);
  fileType_->setMaxVisibleItems(10);
  // The text searched is exactly the text typed: the history is offered in the drop-down
  // list only, never completed into the field.
  fileType_->setCompleter(nullptr);
  fileType_->lineEdit()->setValidator(new LowerCaseValidator(fileType_));
  du.Place(fileType_, kIdFileType, 7, 17, 180, 14);
  subfolderBox_ = new QCheckBox(Utf8("ｻﾌﾞﾌｫﾙﾀﾞ"), this);
  du.Place(subfolderBox_, kIdSubfolders, 196, 18, 60, 12);

  auto* icon = new QLabel(this);
  icon->setPixmap(AppIconPixmap(32));
  icon->setAlignment(Qt::AlignCenter);
  du.Place(icon, 128, 262, 4, 50, 20);
  auto* version = new QLabel(Utf8("不正ファイル検索\nVer2.0"), this);
  version->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  du.Place(version, 0, 250, 25, 62, 18);

  du.Place(new QLabel(Utf8("検索対象"), this), 0, 7, 38, 100, 10);
  list_ = du.List(this, kIdTargets, 7, 49, 248, 115);
  list_->InsertColumn(CListCtrEx::WideColumnTitle(Utf8("フォルダ名")), 0);

  add_ = button("追加...", kIdAdd, 262, 49);
  delete_ = button("削除", kIdDelete, 262, 66);
  searchAll_ = button("全検索", kIdSearchAll, 262, 100);
  searchAll_->setDefault(true);
  searchSelected_ = button("選択検索", kIdSearchSelected, 262, 117);
  result_ = button("検索結果", kIdResult, 262, 150);

  exit_ = button("終了", kIdExit, 262, 236);
  // The form's cancel is never seen; Esc and the result form's stop button do its work.
  cancel_ = button("ｷｬﾝｾﾙ", kIdCancel, 208, 236);
  cancel_->hide();

  connect(searchAll_, &QPushButton::clicked, this, [this] { OnSearchAll(); });
  connect(searchSelected_, &QPushButton::clicked, this, [this] { OnSearchSelected(); });
  connect(cancel_, &QPushButton::clicked, this, &CDScanTarget::OnCancel);
  connect(add_, &QPushButton::clicked, this, &CDScanTarget::OnAddFolder);
  connect(delete_, &QPushButton::clicked, this, &CDScanTarget::OnDeleteFolder);
  connect(result_, &QPushButton::clicked, this, &CDScanTarget::OnShowResult);
  connect(exit_, &QPushButton::clicked, this, &CDScanTarget::OnExit);
  connect(list_, &CListCtrEx::SelectionChanged, this, [this] {
    if (list_->isVisible()) UpdateSelection();
  });
}
