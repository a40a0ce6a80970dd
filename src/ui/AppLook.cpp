#include "ui/AppLook.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTreeView>
#include <algorithm>
#include <cstring>

namespace {
// Japanese Windows shows dialogs in a 9-point gothic face; a point more reads better on
// today's screens without making the forms large.
constexpr int kPointSize = 10;

// Texts of Qt's file dialogs that its Japanese translation leaves in English.
class MissingQtJapanese : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
    Q_UNUSED(disambiguation);
    Q_UNUSED(n);
    struct Text {
      const char* context;
      const char* source;
      const char* japanese;
    };
    static const Text kTexts[] = {
        {"QAbstractFileIconProvider", "Folder", "ファイル フォルダー"},
        {"QAbstractFileIconProvider", "Drive", "ドライブ"},
        {"QAbstractFileIconProvider", "File", "ファイル"},
        {"QAbstractFileIconProvider", "%1 File", "%1 ファイル"},
        {"QAbstractFileIconProvider", "Alias", "エイリアス"},
        {"QAbstractFileIconProvider", "Unknown", "不明"},
        {"QFileDialog", "Folder", "フォルダー"},
        {"QFileDialog", "Directory:", "フォルダー:"},
        {"QFileDialog", "Files of type:", "ファイルの種類:"},
        {"QFileDialog", "Look in:", "場所:"},
        {"QFileDialog", "File &name:", "ファイル名(&N):"},
        {"QFileDialog", "Folder &name:", "フォルダー名(&N):"},
    };
    if (context == nullptr || source == nullptr) return QString();
    for (const Text& text : kTexts) {
      if (std::strcmp(context, text.context) == 0 && std::strcmp(source, text.source) == 0) {
        return QString::fromUtf8(text.japanese);
      }
    }
    return QString();
  }
};

// The file dialogs' size, kind and date columns in Japanese form. The dialog's own model
// writes them in the system locale's form, which knows nothing of the program's language.
class JapaneseFileDetails : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr || index.column() < 1 || index.column() > 3) {
      return QIdentityProxyModel::data(index, role);
    }
    const QModelIndex source = mapToSource(index);
    switch (index.column()) {
      case 1:
        return files->isDir(source) ? QString() : JapaneseFileSize(files->size(source));
      case 3:
        return JapaneseFileTime(files->lastModified(source));
      default:
        return QIdentityProxyModel::data(index, role);
    }
  }
};
}  // namespace

bool UseJapaneseFont(QApplication& app) {
  const QStringList families = QFontDatabase::families();
  // The proportional face: the layouts and the header widths (text with its blanks) were
  // drawn for a proportional dialog font, and the fixed-pitch face's blanks are far wider.
  for (const QString& wanted : {QStringLiteral("IPAPGothic"), QString::fromUtf8("IPA Pゴシック")}) {
    if (!families.contains(wanted)) continue;
    QFont font(wanted, kPointSize);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
    return true;
  }
  return false;
}

bool LoadQtJapanese(QApplication& app) {
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  // Translators are asked newest first: the fallback answers only what Qt's file leaves open.
  app.installTranslator(new MissingQtJapanese(&app));
  // Owned by the application, which keeps it installed for the whole run.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  app.installTranslator(translator);
  return true;
}

QString JapaneseFileSize(qint64 bytes) {
  // As a Japanese desktop lists sizes: whole kilobytes, rounded up, with digit groups.
  const qint64 kilobytes = bytes <= 0 ? 0 : (bytes + 1023) / 1024;
  return QLocale(QLocale::Japanese, QLocale::Japan).toString(kilobytes) + QStringLiteral(" KB");
}

QString JapaneseFileTime(const QDateTime& time) {
  if (!time.isValid()) return QString();
  return QLocale(QLocale::Japanese, QLocale::Japan).toString(time, QStringLiteral("yyyy/MM/dd H:mm"));
}

void UseJapaneseFileDetails(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setProxyModel(new JapaneseFileDetails(&dialog));
  // Wide enough for the Japanese kind and the full date; the name column takes the rest.
  auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (view == nullptr) return;
  const QFontMetrics metrics(view->font());
  const int margin = 2 * metrics.averageCharWidth() + 8;
  const QString widest[] = {QStringLiteral("9,999,999 KB"), QString::fromUtf8("ファイル フォルダー"),
                            QStringLiteral("2026/12/31 23:59")};
  for (int column = 1; column <= 3; ++column) {
    view->header()->resizeSection(column, metrics.horizontalAdvance(widest[column - 1]) + margin);
  }
  dialog.resize(std::max(dialog.width(), 760), std::max(dialog.height(), 460));
}
