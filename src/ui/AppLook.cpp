#include "ui/AppLook.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QTranslator>

namespace {
// Japanese Windows shows dialogs in a 9-point gothic face; a point more reads better on
// today's screens without making the forms large.
constexpr int kPointSize = 10;
}  // namespace

bool UseJapaneseFont(QApplication& app) {
  const QStringList families = QFontDatabase::families();
  for (const QString& wanted : {QStringLiteral("IPAGothic"), QString::fromUtf8("IPAゴシック")}) {
    if (!families.contains(wanted)) continue;
    QFont font(wanted, kPointSize);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
    return true;
  }
  return false;
}

bool LoadQtJapanese(QApplication& app) {
  // Owned by the application, which keeps it installed for the whole run.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  app.installTranslator(translator);
  return true;
}
