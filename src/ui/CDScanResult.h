// The search result form (dialog 106): the six counters, the list of the hits of the
// current search and the buttons to process a hit, look at its signature, save the result
// as a log, go back and stop the search. It shows the result model of the application
// context and follows it live as its listener: rows are added as hits arrive, and the
// newest hit is selected until the user clicks or types in the list.
//
// The counters change for every file searched and hits may come in bursts: the counter
// fields and the new rows are brought up to date at most every 100 ms, and RefreshFields
// or UpdateButtons brings them up to date at once, which the search driver does when a
// search ends.
#pragma once

#include <QTimer>
#include <QWidget>
#include <array>

#include "result/ResultListener.h"
#include "result/ScanCounts.h"

class AppContext;
class CListCtrEx;
class QLineEdit;
class QPushButton;

class CDScanResult : public QWidget, public ResultListener {
  Q_OBJECT

 public:
  // Control ids.
  enum : int {
    kIdBack = 1,
    kIdStop = 2,
    kIdSearched = 1001,
    kIdInvalid = 1002,
    kIdUnprocessed = 1051,
    kIdRenamed = 1006,
    kIdDeleted = 1008,
    kIdMoved = 1010,
    kIdList = 1012,
    kIdProcess = 1016,
    kIdSignatureInfo = 1019,
    kIdSaveLog = 1022,
  };
  // The longest the counter fields and the rows lag behind the model during a search.
  static constexpr int kCounterRefreshMs = 100;

  // Registers itself as the listener of ctx.results until it is destroyed.
  explicit CDScanResult(AppContext& ctx, QWidget* parent = nullptr);
  ~CDScanResult() override;

  // ResultListener.
  void OnReset() override;
  void OnCountsChanged(const ScanCounts& counts) override;
  void OnHitAdded(size_t index, const DetectedFile& hit) override;

  // Rebuilds every row from the model's hit list and selects the first.
  void RefillRows();
  // Takes the selected row's hit (keeping the previous one when the row holds none) and
  // applies the button rules; true when a hit is selected.
  bool UpdateSelection();
  // Enables the buttons by whether a search runs and whether a hit is selected; also
  // brings the counter fields up to date.
  void UpdateButtons();
  // Shows the model's counters and the hits not listed yet now.
  void RefreshFields();
  // The log save dialog, asked again while the chosen name is taken; false when cancelled
  // or the log could not be written.
  bool SaveLogAs();
  // Clears the engine's running flag; the search stops at its next check.
  void StopSearch();
  // "処理...": deletes, renames or moves the selected hit's file by hand. The hit, its row
  // and the counters stay as they are. True when the file was deleted or moved.
  bool ProcessSelected();
  // "DB情報...": the selected hit's signature in the detail dialog.
  void ShowSignatureInfo();

  const DetectedFile* SelectedHit() const { return selected_; }
  int SelectedIndex() const { return selectedIndex_; }
  CListCtrEx* List() const { return list_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void AddRow(const DetectedFile& hit);
  // Lists the model's hits that have no row yet; the newest is selected unless the user
  // has taken over the list.
  void AddPendingRows();
  // The main window when the form sits in one, else the form.
  QWidget* DialogOwner();

  AppContext& ctx_;
  CListCtrEx* list_ = nullptr;
  // In the order of kCounterIds.
  std::array<QLineEdit*, 6> counterFields_{};
  QPushButton* process_ = nullptr;
  QPushButton* signatureInfo_ = nullptr;
  QPushButton* saveLog_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* stop_ = nullptr;

  const DetectedFile* selected_ = nullptr;
  int selectedIndex_ = -1;
  bool autoFollowOff_ = false;

  ScanCounts shownCounts_;
  bool countsPending_ = false;
  bool rowsPending_ = false;
  bool refreshNow_ = false;
  QTimer refreshTimer_;
};
