// The look the whole program shares: a Japanese font that the setup installs (so screens
// and screenshots agree), the Japanese locale, and Qt's own texts (standard buttons, file
// dialogs) in Japanese.
#pragma once

#include <QDateTime>
#include <QString>

class QApplication;
class QFileDialog;

// Makes IPAPGothic the application font; false when it is not installed (Qt's default stays).
bool UseJapaneseFont(QApplication& app);

// Makes ja_JP the default locale and loads Qt's Japanese translation, with the file-dialog
// texts it lacks; false when the translation file is missing.
bool LoadQtJapanese(QApplication& app);

// A file's size and time as the file dialogs list them: "1,235 KB", "2026/12/08 4:08".
QString JapaneseFileSize(qint64 bytes);
QString JapaneseFileTime(const QDateTime& time);

// Qt's own file dialog (also where a desktop dialog exists) with Japanese sizes and dates.
void UseJapaneseFileDetails(QFileDialog& dialog);
