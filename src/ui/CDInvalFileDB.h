// The database editor form (dialog 105): every signature record in a list, the seven
// fields of the selected record, and the buttons that add, modify and delete records and
// (when the settings enable it) fill the database from a folder of sample files by search
// registration. It edits the store of the application context.
//
// The form has three modes. Browse shows the selected record; 追加 and 修正 each switch
// into their mode and, pressed again, perform the action; a successful action, ｷｬﾝｾﾙ and
// 戻る return to browse mode. An action that fails with a message keeps its mode, so the
// user can correct the input (an empty name on modify leaves modify mode).
//
// After vorlet-scan --check-signatures has run, its result beside the data file marks the
// records that matched files known to be good: a column 誤検出 with how many files each
// matched, and a line under the list saying when the check ran, over which folders, and
// whether the signatures changed since. The file is read again whenever the form is shown
// and it has changed; without it the list is as it always was.

#include <QDateTime>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "db/InvalFileInfo.h"
#include "platform/FileStamp.h"
#include "result/SignatureCheckFile.h"

class AppContext;
class CListCtrEx;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CDInvalFileDB : public QWidget {
  Q_OBJECT

 public:
  // Control ids.
  enum : int {
    kIdBack = 1,
    kIdCancel = 2,
    kIdList = 1007,
    kIdAdd = 1018,
    kIdCategory = 1028,
    kIdName = 1029,
    kIdAuthor = 1030,
    kIdSearchText = 1031,
    kIdSummary = 1032,
    kIdRisk = 1034,
    kIdDate = 1036,
    kIdGuide = 1037,
    kIdModify = 1039,
    kIdDelete = 1052,
    kIdRegister = 1056,
  };
  enum class Mode { Browse, Add, Modify };
  // The longest search text the editor takes, in characters.
  static constexpr int kMaxSearchText = 512;

  // Reads the category and risk level names ("DB" C0.., RISK0..) and the registration
  // switch ("General" AutoEntry = 1) from the settings file.
  explicit CDInvalFileDB(AppContext& ctx, QWidget* parent = nullptr);
  ~CDInvalFileDB() override;

  // Add or modify from browse mode enters that mode; any other request returns to browse
  // mode. Then the controls are enabled for the mode.
  void RequestMode(Mode mode);
  // The buttons' actions.
  void AddRecord();
  void ModifyRecord();
  void DeleteRecord();
  void Back();
  void Cancel();
  // Search registration from a folder the user chooses; the list is filled again after it.
  void RegisterFromFolder();

  // Every record of the store in store order, selecting select (the first row when it is
  // not listed), then reads the selection.
  void FillList(const InvalFileInfo* select = nullptr);
  // Takes the first selected row's record and shows it; with no row selected the form has
  // no record and the fields keep what they show. Then enables the controls.
  void ReadSelection();

  Mode CurrentMode() const { return mode_; }
  const std::shared_ptr<InvalFileInfo>& SelectedRecord() const { return selected_; }
  const std::vector<std::string>& CategoryNames() const { return categoryNames_; }
  const std::vector<std::string>& RiskNames() const { return riskNames_; }
  bool RegistrationEnabled() const { return registrationEnabled_; }
  CListCtrEx* List() const { return list_; }
  // The list's column of check marks.
  static constexpr int kMarkColumn = 3;
  // The line about the last signature check (hidden without one).
  QLabel* CheckLine() const { return checkLine_; }
  // Reads the check result beside the data file again when it changed since the last look
  // (or force), then the marks and the line follow it. True when it was read again.
  bool ReadCheckResult(bool force = false);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // What the detail controls show, in the store's terms.
  struct Fields {
    std::string name, category, riskLevel, author, searchText, summary;
    OleDate createdDate;

    // false, with record unchanged, when the search text is not valid hex.
    bool SetRecord(InvalFileInfo& record) const {
      return record.SetFromText(name, category, riskLevel, createdDate, author, searchText, summary);
    }
  };

  void BuildControls();
  void UpdateEnabling();
  void ShowRecord(const InvalFileInfo& record);
  void ClearFields();
  // false, with the length message, when the search text is too long.
  bool TakeFields(Fields* fields) const;
  void ShowDate(const OleDate& date);
  void ShowSearchText(const QString& text);
  // At the end of the list.
  void AddRow(const std::shared_ptr<InvalFileInfo>& record);
  void FocusName();
  // The texts of a record's row, its mark included.
  std::vector<std::string> RowTexts(const InvalFileInfo& record) const;
  std::string CheckFilePath() const;
  // Shows or hides the mark column and the check line, as checkFile_ says.
  void ShowCheckResult();
  // The check line's text. Whether the signatures changed since the check follows the
  // store; storeChanged says they did (a record added or deleted), which spares hashing them.
  void UpdateCheckLine(bool storeChanged = false);

  AppContext& ctx_;
  std::vector<std::string> categoryNames_;
  std::vector<std::string> riskNames_;
  bool registrationEnabled_ = false;
  Mode mode_ = Mode::Browse;
  std::shared_ptr<InvalFileInfo> selected_;
  bool registering_ = false;
  std::string lastRegisterFolder_;
  // What the fields were given to show: a field the user leaves untouched keeps these
  // exact values (bytes that do not survive Qt's text, a date's fraction of a second and
  // its status).
  Fields shown_;
  QDateTime shownDateTime_;
  // The last signature check's marks, and the state of its file when it was read.
  SignatureCheckMarks marks_;
  bool checked_ = false;
  bool changedSinceCheck_ = false;
  SignatureCheckFile checkFile_;  // without its entries, which marks_ holds
  bool checkFileSeen_ = false;
  int markWidth_ = 0;
  platform::FileStamp checkFileStamp_;

  CListCtrEx* list_ = nullptr;
  QLabel* checkLine_ = nullptr;
  QLineEdit* name_ = nullptr;
  QComboBox* category_ = nullptr;
  QComboBox* risk_ = nullptr;
  QDateTimeEdit* date_ = nullptr;
  QLineEdit* author_ = nullptr;
  QLineEdit* searchText_ = nullptr;
  QPlainTextEdit* summary_ = nullptr;
  QPushButton* register_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* modify_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* back_ = nullptr;
};
