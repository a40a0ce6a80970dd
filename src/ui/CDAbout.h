// The about box (dialog 100): the program's icon, its name and version, and an OK button.
#pragma once

#include <QDialog>

class CDAbout : public QDialog {
  Q_OBJECT

 public:
  explicit CDAbout(QWidget* parent = nullptr);
};
