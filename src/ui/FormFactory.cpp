#include "ui/FormFactory.h"

#include "ui/CDInvalFileDB.h"
#include "ui/CDLogManage.h"
#include "ui/CDScanOption.h"
#include "ui/CDScanResult.h"
#include "ui/CDScanTarget.h"
#include "ui/CMainFrame.h"

QWidget* CreateForm(AppContext& ctx, int formId, QWidget* parent) {
  switch (formId) {
    case kFormTarget: return new CDScanTarget(ctx, parent);
    case kFormOption: return new CDScanOption(ctx, parent);
    case kFormResult: return new CDScanResult(ctx, parent);
    case kFormLog: return new CDLogManage(ctx, parent);
    case kFormDb: return new CDInvalFileDB(ctx, parent);
    default: return nullptr;
  }
}
