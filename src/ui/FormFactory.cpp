#include "ui/FormFactory.h"

#include "ui/CMainFrame.h"

QWidget* CreateForm(int formId, QWidget* parent) {
  // Each form class takes its id's case; an id whose form is not built yet keeps the
  // frame's stand-in, so the frame, its menu and its sizes work all the same.
  switch (formId) {
    case kFormTarget:
    case kFormOption:
    case kFormLog:
    case kFormDb:
    case kFormResult:
      return CMainFrame::CreatePlaceholderForm(formId, parent);
    default:
      return nullptr;
  }
}
