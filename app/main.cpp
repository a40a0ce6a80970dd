// The desktop program: everything lives in the ui library; this only starts it.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QLabel window(QString::fromUtf8("Vorlet: 不正ファイル検索"));
  window.setWindowTitle(QStringLiteral("Vorlet"));
  window.resize(480, 160);
  window.show();
  return app.exec();
}
