#include "ui/CDInvalFileDB.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QValidator>

#include "db/InvalFileDB.h"
#include "engine/SearchRegistration.h"
#include "platform/Clock.h"
#include "settings/AppFiles.h"
#include "settings/NumberedTexts.h"
#include "ui/AppContext.h"
#include "ui/CDialogUnits.h"
#include "ui/CListCtrEx.h"
#include "ui/CMainFrame.h"
#include "ui/QtText.h"
#include "ui/SignatureFields.h"
#include "util/MessageBox.h"
#include "util/StringTable.h"

namespace {

constexpr size_t kMaxNames = 256;

const char kGuide[] =
    "検索対象となる不正ﾌｧｲﾙの詳細情報を編集し、不正ﾌｧｲﾙﾃﾞｰﾀﾍﾞｰｽを作成します。\n"
    "検索ｽﾄﾘﾝｸﾞには、ｽﾍﾟｰｽ文字を空けずﾊﾞｲﾅﾘﾃﾞｰﾀをHEXﾌｫｰﾏｯﾄで入力して下さい。\n"
    "（例：00010203040A0BFF.....）";

// No numbered message names a bad search text, so the editor says it in its own words.
const char kBadSearchText[] =
    "検索ｽﾄﾘﾝｸﾞが正しくありません。ｽﾍﾟｰｽ文字を空けず、0-9 と A-F の文字を偶数個並べた"
    "HEXﾌｫｰﾏｯﾄで入力して下さい。";

// The title of the column of check marks; the blanks leave room for six digits.
const char kMarkTitle[] = " 誤検出 ";

// The header blanks set the column widths.
const char* const kColumnTitles[] = {
    "          名称               ",
    "          分類              ",
    "危険度",
};

// Letters typed into the search box become upper case, and it takes no more than the
// longest search text.
class SearchTextInput : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (QChar& c : input) c = c.toUpper();
    return input.size() <= CDInvalFileDB::kMaxSearchText ? Acceptable : Invalid;
  }
};

int IndexOf(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return int(i);
  }
  return -1;
}

// A text the user left as it was shown keeps its exact bytes, even those that do not
// survive the trip through Qt's text.
template <class Convert>
std::string Unless(const QString& now, const QString& shownText, const std::string& shownBytes, Convert convert) {
  return now == shownText ? shownBytes : convert(now);
}

}  // namespace

CDInvalFileDB::CDInvalFileDB(AppContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  categoryNames_ = ReadNumberedTexts(SettingsFile(), "DB", "C", kMaxNames, RepeatedText::kKeep);
  riskNames_ = ReadNumberedTexts(SettingsFile(), "DB", "RISK", kMaxNames, RepeatedText::kKeep);
  registrationEnabled_ = SettingsFile().GetSettingInt("General", "AutoEntry", 0) == 1;
  BuildControls();
  // Until a record is shown: empty texts, no category or risk level, now.
  ClearFields();
  category_->setCurrentIndex(-1);
  risk_->setCurrentIndex(-1);
  ReadCheckResult(true);
  FillList();
  register_->setVisible(registrationEnabled_);
  RequestMode(Mode::Browse);
}

CDInvalFileDB::~CDInvalFileDB() = default;

void CDInvalFileDB::BuildControls() {
  const CDialogUnits du(font());
  auto label = [&](const char* text, int y) {
    du.Place(new QLabel(Utf8(text), this), 0, 179, y + 1, 45, 10);
  };
  // A detail field right of its label.
  auto field = [&]<class Control>(const char* text, Control* control, int id, int y) {
    label(text, y);
    du.Place(control, id, 224, y, 84, 12);
    return control;
  };
  auto button = [&](int id, const char* text, int x, int w) { return du.Button(this, id, Utf8(text), x, 236, w); };

  // Frames first, so that the controls inside lie above them.
  du.Place(new QGroupBox(Utf8("詳細情報"), this), 0, 175, 3, 137, 173);
  du.Guide(this, kIdGuide, kGuide, 179, 52, 190, 38);

  du.Place(new QLabel(Utf8("不正ﾌｧｲﾙ一覧"), this), 0, 7, 4, 100, 10);
  // Wide enough for its three columns also when the vertical scroll bar shows.
  list_ = du.List(this, kIdList, 7, 15, 164, 161);
  for (int c = 0; c < 3; ++c) list_->InsertColumn(FromQt(Utf8(kColumnTitles[c])), c, CListCtrEx::Align::Center);
  list_->InsertColumn(FromQt(Utf8(kMarkTitle)), kMarkColumn, CListCtrEx::Align::Right);
  markWidth_ = list_->columnWidth(kMarkColumn);
  list_->setColumnHidden(kMarkColumn, true);
  checkLine_ = new QLabel(this);
  checkLine_->setObjectName(QStringLiteral("checkLine"));
  du.Place(checkLine_, 0, 7, 167, 164, 9);
  checkLine_->hide();

  name_ = field("名称：", new QLineEdit(this), kIdName, 15);
  category_ = field("分類：", new QComboBox(this), kIdCategory, 30);
  risk_ = field("危険度：", new QComboBox(this), kIdRisk, 45);
  for (const std::string& name : categoryNames_) category_->addItem(ToQt(name));
  for (const std::string& name : riskNames_) risk_->addItem(ToQt(name));
  date_ = field("作成日:", NewDateEdit(this), kIdDate, 60);
  author_ = field("作成者:", new QLineEdit(this), kIdAuthor, 75);
  // The digest gets a line of its own under its label, wide enough for all 32 digits.
  label("検索ｽﾄﾘﾝｸﾞ：", 90);
  searchText_ = new QLineEdit(this);
  du.Place(searchText_, kIdSearchText, 179, 101, 129, 12);
  searchText_->setValidator(new SearchTextInput(searchText_));
  label("概要：", 116);
  summary_ = new QPlainTextEdit(this);
  summary_->setTabChangesFocus(true);
  du.Place(summary_, kIdSummary, 179, 127, 129, 43);

  register_ = button(kIdRegister, "検索登録...", 7, 56);
  add_ = button(kIdAdd, "追加", 72, 42);
  modify_ = button(kIdModify, "修正", 118, 42);
  delete_ = button(kIdDelete, "削除", 164, 42);
  cancel_ = button(kIdCancel, "ｷｬﾝｾﾙ", 210, 48);
  back_ = button(kIdBack, "戻る", 262, 50);

  connect(add_, &QPushButton::clicked, this, &CDInvalFileDB::AddRecord);
  connect(modify_, &QPushButton::clicked, this, &CDInvalFileDB::ModifyRecord);
  connect(delete_, &QPushButton::clicked, this, &CDInvalFileDB::DeleteRecord);
  connect(cancel_, &QPushButton::clicked, this, &CDInvalFileDB::Cancel);
  connect(back_, &QPushButton::clicked, this, &CDInvalFileDB::Back);
  connect(register_, &QPushButton::clicked, this, &CDInvalFileDB::RegisterFromFolder);
  connect(list_, &CListCtrEx::SelectionChanged, this, [this] {
    if (list_->isVisible()) ReadSelection();
  });
}

void CDInvalFileDB::RequestMode(Mode mode) {
  const bool entering = mode_ == Mode::Browse && (mode == Mode::Add || mode == Mode::Modify);
  mode_ = entering ? mode : Mode::Browse;
  UpdateEnabling();
  if (entering) FocusName();
}

void CDInvalFileDB::UpdateEnabling() {
  // A registration in progress leaves nothing to press: the store is being filled.
  const bool idle = !registering_;
  const bool browse = mode_ == Mode::Browse;
  const bool selected = selected_ != nullptr;
  for (QWidget* field : std::initializer_list<QWidget*>{name_, category_, risk_, date_, author_, summary_}) {
    field->setEnabled(idle && !browse);
  }
  // Outside add mode the digest stays readable and selectable, only not editable.
  searchText_->setEnabled(idle);
  searchText_->setReadOnly(mode_ != Mode::Add);
  // Read-only, it looks like the greyed fields beside it, not like one waiting for input.
  QPalette look = palette();
  if (mode_ != Mode::Add) look.setColor(QPalette::Base, look.color(QPalette::Window));
  searchText_->setPalette(look);
  add_->setEnabled(idle && mode_ != Mode::Modify);
  modify_->setEnabled(idle && mode_ != Mode::Add && selected);
  delete_->setEnabled(idle && browse && selected);
  cancel_->setEnabled(idle && !browse);
  list_->setEnabled(idle && mode_ != Mode::Modify);
  register_->setEnabled(idle);
  back_->setEnabled(idle);
}

void CDInvalFileDB::FocusName() {
  name_->setFocus();
  name_->selectAll();
}

void CDInvalFileDB::ShowDate(const OleDate& date) {
  shown_.createdDate = date;
  shownDateTime_ = OleDateToQt(date, QDateTime::currentDateTime());
  date_->setDateTime(shownDateTime_);
}

void CDInvalFileDB::ShowRecord(const InvalFileInfo& record) {
  shown_.name = record.Name();
  shown_.category = record.Category();
  shown_.riskLevel = record.RiskLevel();
  shown_.author = record.Author();
  shown_.searchText = record.GetSearchText();
  shown_.summary = record.Summary();
  name_->setText(ToQt(shown_.name));
  category_->setCurrentIndex(IndexOf(categoryNames_, shown_.category));
  risk_->setCurrentIndex(IndexOf(riskNames_, shown_.riskLevel));
  ShowDate(record.CreatedDate());
  author_->setText(ToQt(shown_.author));
  ShowSearchText(QString::fromStdString(shown_.searchText));
  summary_->setPlainText(SummaryToQt(shown_.summary));
  // Long texts show their beginning, as an edit box does.
  for (QLineEdit* edit : {name_, author_, searchText_}) edit->setCursorPosition(0);
}

void CDInvalFileDB::ShowSearchText(const QString& text) {
  // The input rules are for typing: a record's text is shown as it is (lower case, and
  // longer than the limit if the record has it so).
  const QValidator* input = searchText_->validator();
  searchText_->setValidator(nullptr);
  searchText_->setText(text);
  searchText_->setValidator(input);
}

void CDInvalFileDB::ClearFields() {
  shown_ = Fields{};
  name_->clear();
  author_->clear();
  ShowSearchText(QString());
  summary_->clear();
  category_->setCurrentIndex(categoryNames_.empty() ? -1 : 0);
  risk_->setCurrentIndex(riskNames_.empty() ? -1 : 0);
  ShowDate(OleDate{platform::LocalOleDateNow(), 0});
}

bool CDInvalFileDB::TakeFields(Fields* fields) const {
  const QString search = searchText_->text();
  if (search.size() > kMaxSearchText) {
    // The length check of the original dialog framework, in its words.
    MessageBoxText(FromQt(Utf8("%1 文字以内で入力してください。").arg(kMaxSearchText)), MessageButtons::Ok,
                   MessageIcon::Exclamation);
    searchText_->setFocus();
    return false;
  }
  fields->name = Unless(name_->text(), ToQt(shown_.name), shown_.name, FromQt);
  const int category = category_->currentIndex();
  fields->category = category >= 0 && size_t(category) < categoryNames_.size() ? categoryNames_[category] : "";
  const int risk = risk_->currentIndex();
  fields->riskLevel = risk >= 0 && size_t(risk) < riskNames_.size() ? riskNames_[risk] : "";
  fields->createdDate = date_->dateTime() == shownDateTime_ ? shown_.createdDate : OleDateFromQt(date_->dateTime());
  fields->author = Unless(author_->text(), ToQt(shown_.author), shown_.author, FromQt);
  fields->searchText = Unless(search, QString::fromStdString(shown_.searchText), shown_.searchText, FromQt);
  fields->summary = Unless(summary_->toPlainText(), SummaryToQt(shown_.summary), shown_.summary, SummaryFromQt);
  return true;
}

std::vector<std::string> CDInvalFileDB::RowTexts(const InvalFileInfo& record) const {
  std::vector<std::string> texts{record.Name(), record.Category(), record.RiskLevel()};
  if (const int64_t count = checked_ ? marks_.CountOf(record) : 0; count > 0) {
    texts.resize(kMarkColumn + 1);
    texts[kMarkColumn] = std::to_string(count);
  }
  return texts;
}

void CDInvalFileDB::AddRow(const std::shared_ptr<InvalFileInfo>& record) {
  list_->AppendRow(RowTexts(*record), CImageList::kRedMark, record);
  UpdateCheckLine(true);
}

void CDInvalFileDB::FillList(const InvalFileInfo* select) {
  list_->SuspendRedraw(true);
  // The rows are made again in store order; a record already listed keeps its row record
  // (its texts are set again), so that a refill after one change does not cost a new
  // row for each of 100,000 records. The list is in store order but for the rows added
  // since it was last filled (at its end) and the record just changed: a record already
  // listed is found at, or a few rows after, the one taken last.
  constexpr size_t kLookAhead = 8;
  std::vector<CListCtrEx::Row> listed = list_->TakeRows();
  std::vector<CListCtrEx::Row> rows;
  rows.reserve(static_cast<size_t>(ctx_.store.RecordCount()));
  size_t next = 0;
  int selectRow = 0;
  for (const auto& [categoryName, category] : ctx_.store.Categories()) {
    for (const auto& [name, record] : category.Records()) {
      if (record.get() == select) selectRow = static_cast<int>(rows.size());
      CListCtrEx::Row row;
      for (size_t k = next; k < std::min(listed.size(), next + kLookAhead); ++k) {
        const auto* held = std::any_cast<std::shared_ptr<InvalFileInfo>>(&listed[k].userData);
        if (held != nullptr && held->get() == record.get()) {
          row = std::move(listed[k]);
          next = k + 1;
          break;
        }
      }
      if (!row.userData.has_value()) {
        row.image = CImageList::kRedMark;
        row.userData = record;
      }
      row.cells = RowTexts(*record);
      rows.push_back(std::move(row));
    }
  }
  const bool any = !rows.empty();
  list_->AppendRows(std::move(rows));
  if (any) {
    list_->EnsureVisible(selectRow);
    list_->SelectRow(selectRow);
  }
  list_->SuspendRedraw(false);
  if (list_->isVisible()) list_->setFocus();
  UpdateCheckLine();
  ReadSelection();
}

void CDInvalFileDB::ReadSelection() {
  const int row = list_->SelectedRow();
  const auto* record = row >= 0 ? list_->UserData<std::shared_ptr<InvalFileInfo>>(row) : nullptr;
  if (record == nullptr) {
    selected_.reset();
  } else {
    selected_ = *record;
    ShowRecord(*selected_);
  }
  UpdateEnabling();
}

void CDInvalFileDB::AddRecord() {
  if (mode_ != Mode::Add) {
    RequestMode(Mode::Add);
    ClearFields();
    return;
  }
  Fields fields;
  if (!TakeFields(&fields)) return;
  if (fields.name.empty()) {
    MessageBoxById(kStrNameMissing, MessageButtons::Ok, MessageIcon::Information, true);
    FocusName();
    return;
  }
  auto record = std::make_shared<InvalFileInfo>();
  if (!fields.SetRecord(*record)) {
    MessageBoxText(FromQt(Utf8(kBadSearchText)), MessageButtons::Ok, MessageIcon::Information, true);
    searchText_->setFocus();
    return;
  }
  // A name taken in the category: the user keeps what was typed and can change the name.
  if (!ctx_.store.Add(record)) {
    MessageBoxById(kStrNameDuplicate, MessageButtons::Ok, MessageIcon::Information, true);
    FocusName();
    return;
  }
  // The new row goes last; the next filling of the list puts it in its place.
  const int row = list_->ItemCount();
  AddRow(record);
  list_->setFocus();
  list_->SelectRow(row);
  list_->EnsureVisible(row);
  ReadSelection();
  RequestMode(Mode::Browse);
}

void CDInvalFileDB::ModifyRecord() {
  if (mode_ != Mode::Modify) {
    if (selected_ != nullptr) RequestMode(Mode::Modify);
    return;
  }
  Fields fields;
  if (!TakeFields(&fields)) return;
  if (fields.name.empty()) {
    MessageBoxById(kStrNameMissing, MessageButtons::Ok, MessageIcon::Information, true);
    RequestMode(Mode::Browse);
    return;
  }
  const std::shared_ptr<InvalFileInfo> stored = selected_;
  auto edited = std::make_shared<InvalFileInfo>();
  std::shared_ptr<InvalFileInfo> holder;
  if (stored == nullptr || !fields.SetRecord(*edited) || !ctx_.store.Modify(edited, stored, &holder)) {
    MessageBoxById(kStrNameDuplicate, MessageButtons::Ok, MessageIcon::Information, true);
    FocusName();
    return;
  }
  RequestMode(Mode::Browse);
  FillList(holder != nullptr ? holder.get() : stored.get());
}

void CDInvalFileDB::DeleteRecord() {
  ReadSelection();
  if (selected_ == nullptr) return;
  const int row = list_->SelectedRow();
  // A hit that names this record keeps its own share of it.
  ctx_.store.Remove(*selected_);
  list_->DeleteItem(row);
  UpdateCheckLine(true);
  if (const int count = list_->ItemCount(); count > 0) {
    const int next = std::min(row, count - 1);
    list_->SelectRow(next);
    list_->EnsureVisible(next);
  }
  ReadSelection();
}

void CDInvalFileDB::Back() {
  RequestMode(Mode::Browse);
  ReadSelection();
  CMainFrame::ShowTargetForm(this);
}

void CDInvalFileDB::Cancel() {
  RequestMode(Mode::Browse);
  ReadSelection();
}

void CDInvalFileDB::RegisterFromFolder() {
  if (registering_ || ctx_.engine.running) return;
  const std::string folder = BrowseForFolder(kStrRegisterFolderTitle, lastRegisterFolder_);
  if (folder.empty()) return;
  lastRegisterFolder_ = folder;
  RequestMode(Mode::Browse);
  registering_ = true;
  UpdateEnabling();
  // The frame's commands follow the running flag once the engine has set it, at its
  // first look at the event queue.
  CMainFrame* frame = CMainFrame::Of(this);
  if (frame != nullptr) QTimer::singleShot(0, frame, &CMainFrame::UpdateCommandStates);
  // The files a registration reads are not searched files: the result keeps its counts.
  DetectionSink* results = ctx_.engine.Sink();
  ctx_.engine.SetDetectionSink(nullptr);
  RegisterFolder(ctx_.engine, ctx_.store, folder, ctx_.engine.Host());
  ctx_.engine.SetDetectionSink(results);
  registering_ = false;
  if (frame != nullptr) frame->UpdateCommandStates();
  FillList();
}

std::string CDInvalFileDB::CheckFilePath() const {
  const std::string& dataFile = ctx_.store.FilePath();
  return (dataFile.empty() ? ctx_.locations.dataFolder + InvalFileDB::kDataFileBase + "." + InvalFileDB::kDataFileExt
                           : dataFile) +
         SignatureCheckFile::kSuffix;
}

bool CDInvalFileDB::ReadCheckResult(bool force) {
  platform::FileStamp stamp;
  const bool seen = platform::GetFileStamp(CheckFilePath(), &stamp);
  if (!force && seen == checkFileSeen_ && (!seen || stamp == checkFileStamp_)) return false;
  checkFileSeen_ = seen;
  checkFileStamp_ = stamp;
  checked_ = seen && SignatureCheckFile::Read(CheckFilePath(), &checkFile_);
  marks_ = checked_ ? SignatureCheckMarks(checkFile_) : SignatureCheckMarks();
  checkFile_.entries.clear();
  changedSinceCheck_ = false;
  ShowCheckResult();
  return true;
}

void CDInvalFileDB::ShowCheckResult() {
  const CDialogUnits du(font());
  // The line takes the foot of the list.
  du.Place(list_, kIdList, 7, 15, 164, checked_ ? 151 : 161);
  checkLine_->setVisible(checked_);
  if (checked_ == list_->isColumnHidden(kMarkColumn)) {
    // The mark column's width comes out of the name and category columns, so that the
    // four fit where the three did.
    const int share = (markWidth_ + 1) / 2;
    for (int c = 0; c < 2; ++c) list_->setColumnWidth(c, list_->columnWidth(c) + (checked_ ? -share : share));
    list_->setColumnHidden(kMarkColumn, !checked_);
    if (checked_) list_->setColumnWidth(kMarkColumn, markWidth_);
  }
  UpdateCheckLine();
}

void CDInvalFileDB::UpdateCheckLine(bool storeChanged) {
  if (!checked_) return;
  // Hashing 100,000 records takes a few tens of milliseconds: done only while it can
  // still tell something new.
  if (!changedSinceCheck_)
    changedSinceCheck_ = storeChanged || SignatureCheckFile::SignatureStamp(ctx_.store) != checkFile_.stamp;
  const bool changed = changedSinceCheck_;
  QStringList folders;
  for (const std::string& folder : checkFile_.folders) folders << PathToQt(folder);
  const QString checked = ToQt(checkFile_.checked);
  const QString line = Utf8("誤検出照合 %1%2  %3")
                           .arg(checked.left(16), changed ? Utf8("（以後変更あり）") : QString(), folders.join(Utf8(", ")));
  checkLine_->setText(checkLine_->fontMetrics().elidedText(line, Qt::ElideRight, checkLine_->width()));
  checkLine_->setToolTip(Utf8("%1 に署名 %2 件で %3 を照合しました。")
                             .arg(checked, QString::number(checkFile_.signatureCount), folders.join(Utf8(", "))) +
                         (changed ? Utf8("\nその後に追加・変更された署名は照合されていません。") : QString()));
}

void CDInvalFileDB::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A check run from the command line while the program is open shows at the next visit.
  if (ReadCheckResult()) FillList(selected_.get());
}

void CDInvalFileDB::keyPressEvent(QKeyEvent* event) {
  if (registering_) return;
  switch (event->key()) {
    case Qt::Key_Escape:
      Cancel();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // While a record is being typed Enter must not leave the mode and drop the input.
      if (mode_ == Mode::Browse) back_->click();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}
