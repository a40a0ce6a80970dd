// The look the whole program shares: a Japanese font that the setup installs (so screens
// and screenshots agree) and Qt's own texts (standard buttons, file dialogs) in Japanese.
#pragma once

class QApplication;

// Makes IPAGothic the application font; false when it is not installed (Qt's default stays).
bool UseJapaneseFont(QApplication& app);

// Loads Qt's Japanese translation; false when the translation file is missing.
bool LoadQtJapanese(QApplication& app);
