#include "ui/CDResultInvalFile.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "db/InvalFileInfo.h"
#include "result/DetectedFile.h"
#include "settings/NumberedTexts.h"
#include "ui/CDialogUnits.h"
#include "ui/QtText.h"
#include "ui/SignatureFields.h"
#include "util/ShiftJis.h"

CDResultInvalFile::CDResultInvalFile(QWidget* parent, const ProfileFile& settings)
    : QDialog(parent),
      categoryNames_(ReadNumberedTexts(settings, "DB", "C", kMaxListNames, RepeatedText::kSkip)),
      riskNames_(ReadNumberedTexts(settings, "DB", "RISK", kMaxListNames, RepeatedText::kSkip)) {
  setObjectName(QStringLiteral("107"));
  setWindowTitle(Utf8("不正ﾌｧｲﾙ情報"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  BuildControls();
}

int CDResultInvalFile::FindExact(const std::vector<std::string>& names, const std::string& text) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (shiftjis::EqualIgnoringAsciiCase(names[i], text)) return static_cast<int>(i);
  }
  return -1;
}

void CDResultInvalFile::SetHit(std::string fileName, std::string folder,
                               std::shared_ptr<const InvalFileInfo> signature) {
  fileName_ = std::move(fileName);
  folder_ = std::move(folder);
  signature_ = std::move(signature);
  loaded_ = false;
  if (isVisible()) LoadFields();
}

void CDResultInvalFile::ShowHit(QWidget* owner, const DetectedFile& hit) {
  CDResultInvalFile dialog(owner);
  dialog.SetHit(hit.FileName(), hit.Folder(), hit.Signature());
  dialog.exec();
}

void CDResultInvalFile::BuildControls() {
  const CDialogUnits du(font());
  auto label = [&](const char* text, int x, int y, int w) {
    du.Place(new QLabel(Utf8(text), this), 0, x, y + 2, w, 8);
  };
  auto field = [&](int id, int x, int y, int w) {
    auto* edit = new QLineEdit(this);
    edit->setEnabled(false);
    du.Place(edit, id, x, y, w, 12);
    return edit;
  };
  auto dropDown = [&](int id, const std::vector<std::string>& names, int x, int y, int w) {
    auto* combo = new QComboBox(this);
    for (const std::string& name : names) combo->addItem(ToQt(name));
    combo->setCurrentIndex(-1);
    combo->setEnabled(false);
    du.Place(combo, id, x, y, w, 12);
    return combo;
  };

  // The frame first, so that the controls inside lie above it.
  du.Place(new QGroupBox(Utf8("詳細情報"), this), 0, 7, 39, 246, 146);

  label("ﾌｧｲﾙ名", 7, 7, 44);
  fileNameEdit_ = field(kIdFileName, 52, 7, 201);
  label("ﾌｫﾙﾀﾞ名", 7, 22, 44);
  folderEdit_ = field(kIdFolder, 52, 22, 201);

  label("名称：", 14, 52, 44);
  nameEdit_ = field(kIdName, 64, 52, 182);
  label("分類：", 14, 68, 44);
  category_ = dropDown(kIdCategory, categoryNames_, 64, 68, 74);
  label("危険度：", 146, 68, 34);
  risk_ = dropDown(kIdRisk, riskNames_, 182, 68, 64);
  label("作成日:", 14, 84, 44);
  created_ = NewDateEdit(this);
  created_->setSpecialValueText(QStringLiteral(" "));
  created_->setEnabled(false);
  du.Place(created_, kIdCreated, 64, 84, 74, 12);
  label("作成者:", 146, 84, 34);
  author_ = field(kIdAuthor, 182, 84, 64);
  label("検索ｽﾄﾘﾝｸﾞ：", 14, 100, 48);
  searchText_ = field(kIdSearchText, 64, 100, 182);
  label("概要：", 14, 116, 44);
  summary_ = new QPlainTextEdit(this);
  summary_->setEnabled(false);
  du.Place(summary_, kIdSummary, 64, 116, 182, 62);

  QPushButton* ok = du.Button(this, kIdOk, QStringLiteral("OK"), 203, 191, 50);
  ok->setDefault(true);
  // Nothing here can be changed, so there is nothing to check before closing.
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(du.Size(260, 212));
}

void CDResultInvalFile::showEvent(QShowEvent* event) {
  if (!loaded_) LoadFields();
  QDialog::showEvent(event);
}

void CDResultInvalFile::LoadFields() {
  loaded_ = true;
  // Every field shows the start of its text, however long it is.
  const auto show = [](QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->setCursorPosition(0);
  };
  show(fileNameEdit_, PathToQt(fileName_));
  show(folderEdit_, PathToQt(folder_));
  const InvalFileInfo* record = signature_.get();
  if (record == nullptr) return;
  show(nameEdit_, ToQt(record->Name()));
  category_->setCurrentIndex(FindExact(categoryNames_, record->Category()));
  risk_->setCurrentIndex(FindExact(riskNames_, record->RiskLevel()));
  // A date the box cannot hold (not valid, or outside its calendar) shows as blank rather
  // than as some other day.
  const QDateTime created = OleDateToQt(record->CreatedDate(), QDateTime());
  created_->setDateTime(created.isValid() ? created : created_->minimumDateTime());
  show(author_, ToQt(record->Author()));
  show(searchText_, QString::fromLatin1(record->GetSearchText()));
  summary_->setPlainText(SummaryToQt(record->Summary()));
}
