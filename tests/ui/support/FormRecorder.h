// A form factory for frame tests: placeholder forms that record the order in which they
// are destroyed, with chosen ids left missing as if their creation had failed.
#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>
#include <set>

#include "ui/CMainFrame.h"

namespace uitest {

class FormRecorder {
 public:
  explicit FormRecorder(std::set<int> missing = {}) : missing_(std::move(missing)), log_(std::make_shared<QStringList>()) {}

  CMainFrame::FormFactory Factory() const {
    return [missing = missing_, log = log_](int id, QWidget* parent) -> QWidget* {
      if (missing.count(id) != 0) return nullptr;
      QWidget* form = CMainFrame::CreatePlaceholderForm(id, parent);
      QObject::connect(form, &QObject::destroyed, [log, id] { log->append(QString::number(id)); });
      return form;
    };
  }
  // Form ids in the order their forms were destroyed.
  const QStringList& Destroyed() const { return *log_; }

 private:
  std::set<int> missing_;
  std::shared_ptr<QStringList> log_;
};

}  // namespace uitest
