// The fixture the form tests share: a scratch program folder (home_) whose Vorlet.ini is
// the settings file, the application context over it (ctx_) and the form under test
// (form_), shown offscreen, with message boxes answered through DialogHooks. A test class
// derives from it after QObject and calls these steps from its own slots.
#pragma once

#include <QRadioButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "ui/AppContext.h"
#include "ui/CListCtrEx.h"
#include "ui/DialogHooks.h"
#include "ui/QtMessagePresenter.h"
#include "ui/support/UiTestSupport.h"

namespace uitest {

template <class Form>
class FormFixture {
 protected:
  // A fresh program folder whose settings file holds ini, bound as the settings file;
  // the answers and records of the previous test are gone.
  void NewHome(const std::string& ini) {
    DialogHooks::Reset();
    home_ = std::make_unique<testing_support::TempDir>();
    home_->Write("Vorlet.ini", ini);
    BindSettingsFile(home_->folder());
  }
  void NewContext() { ctx_ = std::make_unique<AppContext>(home_->folder()); }
  // Destroys the form (it writes its settings) and builds it again over the context.
  void NewForm() {
    form_.reset();
    form_ = std::make_unique<Form>(*ctx_);
  }
  // The same over a fresh context read from the files, as after a restart.
  void Reopen() {
    form_.reset();
    NewContext();
    NewForm();
  }
  // An invalid size leaves the form at its own.
  void ShowForm(const QSize& size = QSize(640, 480)) {
    if (size.isValid()) form_->resize(size);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
  }
  // The form first: it writes its settings through the context.
  void CloseForm() {
    form_.reset();
    ctx_.reset();
  }

  template <class T = QWidget>
  T* Control(int id) const {
    return FindById<T>(form_.get(), id);
  }
  void Click(int id) const { QTest::mouseClick(Control(id), Qt::LeftButton); }
  void ClickRadio(int id) const { uitest::ClickRadio(Control<QRadioButton>(id)); }
  // The first column of the form's list, top to bottom.
  std::vector<std::string> FirstColumn() const {
    std::vector<std::string> texts;
    for (int row = 0; row < form_->List()->ItemCount(); ++row)
      texts.push_back(form_->List()->ItemText(row, 0));
    return texts;
  }

  QtMessagePresenter presenter_;
  std::unique_ptr<testing_support::TempDir> home_;
  std::unique_ptr<AppContext> ctx_;
  std::unique_ptr<Form> form_;
};

}  // namespace uitest
