#include "ui/CDAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/AppIcon.h"

CDAbout::CDAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("100"));
  setWindowTitle(QString::fromUtf8("Vorletのﾊﾞｰｼﾞｮﾝ情報"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  auto* icon = new QLabel(this);
  icon->setPixmap(AppIconPixmap(32));
  icon->setObjectName(QStringLiteral("128"));
  auto* text = new QLabel(QStringLiteral("Vorlet Version 2.0"), this);
  text->setObjectName(QStringLiteral("65535"));  // a static text without an id of its own

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("1"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(icon, 0, Qt::AlignTop);
  row->addSpacing(12);
  row->addWidget(text, 1, Qt::AlignVCenter);
  row->addSpacing(12);
  row->addWidget(ok, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
