#include "ui/SignatureFields.h"

#include <QDateTimeEdit>

#include "platform/Clock.h"
#include "ui/QtText.h"

QDateTimeEdit* NewDateEdit(QWidget* parent) {
  auto* edit = new QDateTimeEdit(QDateTime::currentDateTime(), parent);
  edit->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
  edit->setMinimumDate(QDate(100, 1, 1));
  edit->setMaximumDate(QDate(9999, 12, 31));
  return edit;
}

QDateTime OleDateToQt(const OleDate& date, const QDateTime& fallback) {
  platform::LocalDateTime t{};
  if (date.status != 0 || !platform::OleDateToLocal(date.days, &t)) return fallback;
  return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

OleDate OleDateFromQt(const QDateTime& value) {
  const QDate d = value.date();
  const QTime t = value.time();
  OleDate date;
  const platform::LocalDateTime local{d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
  if (!platform::LocalToOleDate(local, &date.days)) date = OleDate{platform::LocalOleDateNow(), 0};
  return date;
}

QString SummaryToQt(const std::string& summary) {
  QString text = ToQt(summary);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

std::string SummaryFromQt(QString text) {
  text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return FromQt(text);
}
