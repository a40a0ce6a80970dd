// The desktop program: everything lives in the ui library; this only starts it.
#include <QApplication>

#include "ui/CMainApp.h"

int main(int argc, char* argv[]) {
  QApplication qt(argc, argv);
  CMainApp app(qt);
  return app.Run();
}
