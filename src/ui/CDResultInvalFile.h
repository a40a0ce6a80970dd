// The signature detail dialog (dialog 107): a hit's file name and folder with every field
// of the signature that matched it: name, category, risk level, creation date, author,
// search string as hex text and summary. Every field is disabled, so it can be read but
// not changed. The category and risk drop-downs offer the "DB" C0.. and RISK0.. lists of
// the settings file, read anew for every dialog, so they are always current; a category
// or risk level not among them leaves its drop-down blank.
//
// The dialog shares the signature record with the hit: a record that the editor has since
// changed or removed is still there to show.
#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "settings/AppFiles.h"
#include "settings/ProfileFile.h"

class DetectedFile;
class InvalFileInfo;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;

class CDResultInvalFile : public QDialog {
  Q_OBJECT

 public:
  // Control ids.
  enum : int {
    kIdOk = 1,
    kIdCategory = 1028,
    kIdName = 1029,
    kIdAuthor = 1030,
    kIdSearchText = 1031,
    kIdSummary = 1032,
    kIdRisk = 1034,
    kIdCreated = 1036,
    kIdFileName = 1049,
    kIdFolder = 1050,
  };
  // The most names each settings list is read for.
  static constexpr int kMaxListNames = 256;

  // Reads the category and risk lists from settings; a name listed before is left out.
  explicit CDResultInvalFile(QWidget* parent = nullptr, const ProfileFile& settings = SettingsFile());

  // What to show; call before the dialog is shown. signature may be null (its fields
  // stay empty).
  void SetHit(std::string fileName, std::string folder, std::shared_ptr<const InvalFileInfo> signature);

  const std::vector<std::string>& CategoryNames() const { return categoryNames_; }
  const std::vector<std::string>& RiskNames() const { return riskNames_; }

  // The index of the entry equal to text (ASCII letters in either case), or -1.
  static int FindExact(const std::vector<std::string>& names, const std::string& text);

  // "DB情報..." of the result form: the hit's file name, folder and signature, modally over
  // owner.
  static void ShowHit(QWidget* owner, const DetectedFile& hit);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildControls();
  void LoadFields();

  std::vector<std::string> categoryNames_;
  std::vector<std::string> riskNames_;
  std::string fileName_;
  std::string folder_;
  std::shared_ptr<const InvalFileInfo> signature_;
  bool loaded_ = false;

  QLineEdit* fileNameEdit_ = nullptr;
  QLineEdit* folderEdit_ = nullptr;
  QLineEdit* nameEdit_ = nullptr;
  QComboBox* category_ = nullptr;
  QComboBox* risk_ = nullptr;
  QDateTimeEdit* created_ = nullptr;
  QLineEdit* author_ = nullptr;
  QLineEdit* searchText_ = nullptr;
  QPlainTextEdit* summary_ = nullptr;
};
