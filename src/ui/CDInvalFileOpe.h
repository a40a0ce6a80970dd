// The manual processing dialog (dialog 147): asks what to do with the selected hit's
// file. Each of the three action buttons records its choice and ends the dialog with OK;
// キャンセル (and Esc) end it without one. ProcessHitByHand runs the whole "処理..."
// sequence of the result form around it.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "result/HitIdentity.h"
#include "result/ManualProcessor.h"

class CDInvalFileOpe : public QDialog {
  Q_OBJECT

 public:
  // Control ids.
  enum : int { kIdCancel = 2, kIdDelete = 1057, kIdRename = 1058, kIdMove = 1059 };

  explicit CDInvalFileOpe(QWidget* parent = nullptr);

  // kManualDelete, kManualRename or kManualMove once an action button ended the dialog;
  // -1 before.
  int32_t ManualOperation() const { return operation_; }

 private:
  int32_t operation_ = -1;
};

// Shows the dialog modally over owner and carries out the choice on the file at path, as
// long as it is still the file the search read (hit): deletion after confirmation, or a
// rename or move to a path chosen in the save dialog (started at path). True when the file
// was deleted or moved; done (may be null) then says what was done.
bool ProcessHitByHand(QWidget* owner, const std::string& path, const HitIdentity& hit, ProcessedFile* done = nullptr);
