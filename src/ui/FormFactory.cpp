#include "ui/FormFactory.h"

#include "ui/AppContext.h"
#include "ui/CDInvalFileDB.h"
#include "ui/CDLogManage.h"
#include "ui/CDScanOption.h"
#include "ui/CDScanResult.h"
#include "ui/CDScanTarget.h"
#include "ui/CMainFrame.h"

QWidget* CreateForm(int formId, QWidget* parent) {
  // Each form class takes its id's case; an id whose form is not built yet keeps the
  // frame's stand-in, so the frame, its menu and its sizes work all the same.
  switch (formId) {
    case kFormTarget:
      if (AppContext* ctx = AppContext::Instance()) return new CDScanTarget(*ctx, parent);
      return CMainFrame::CreatePlaceholderForm(formId, parent);
    case kFormOption:
      if (AppContext* ctx = AppContext::Instance()) return new CDScanOption(*ctx, parent);
      return CMainFrame::CreatePlaceholderForm(formId, parent);
    case kFormResult:
      if (AppContext* ctx = AppContext::Instance()) return new CDScanResult(*ctx, parent);
      return CMainFrame::CreatePlaceholderForm(formId, parent);
    case kFormLog:
      if (AppContext* ctx = AppContext::Instance()) return new CDLogManage(*ctx, parent);
      return CMainFrame::CreatePlaceholderForm(formId, parent);
    case kFormDb:
      if (AppContext* ctx = AppContext::Instance()) return new CDInvalFileDB(*ctx, parent);
      return CMainFrame::CreatePlaceholderForm(formId, parent);
    default:
      return nullptr;
  }
}
