#include "ui/CDInvalFileOpe.h"

#include <QPushButton>

#include "result/ManualProcessor.h"
#include "ui/CDialogUnits.h"
#include "ui/QtMessagePresenter.h"
#include "ui/QtText.h"

CDInvalFileOpe::CDInvalFileOpe(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("147"));
  setWindowTitle(Utf8("不正ﾌｧｲﾙ処理"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  const CDialogUnits du(font());
  auto button = [&](int id, const char* text, int x) { return du.Button(this, id, Utf8(text), x, 7, 50); };
  const struct {
    int id;
    const char* text;
    int32_t operation;
  } actions[] = {{kIdDelete, "削除...", kManualDelete}, {kIdRename, "ﾘﾈｰﾑ...", kManualRename},
                 {kIdMove, "移動...", kManualMove}};
  int x = 7;
  for (const auto& action : actions) {
    connect(button(action.id, action.text, x), &QPushButton::clicked, this, [this, op = action.operation] {
      operation_ = op;
      accept();
    });
    x += 54;
  }
  // Set apart from the actions, so a slip of the mouse does not cancel instead.
  connect(button(kIdCancel, "キャンセル", x + 10), &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(du.Size(x + 10 + 50 + 7, 28));
}

bool ProcessHitByHand(QWidget* owner, const std::string& path, const HitIdentity& hit, ProcessedFile* done) {
  int32_t operation = -1;
  {
    CDInvalFileOpe dialog(owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    operation = dialog.ManualOperation();
  }
  // Windows' "*.*" lists every file; here it would hide names without a dot.
  const std::string filter = FromQt(Utf8("全てのﾌｧｲﾙ (*)"));
  return ProcessByHand(
      operation, path, hit,
      [owner, &filter](const std::string& initial) { return GetSaveFileName(owner, std::string(), initial, filter); },
      done);
}
