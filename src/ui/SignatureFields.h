// How the database form and the signature detail dialog show a record's creation date and
// summary: the date box they share, the OLE date as the box's local date and time, and the
// summary's line breaks (records keep the CR LF of a multi-line edit, a text box breaks
// lines with LF).
#pragma once

#include <QDateTime>
#include <QString>
#include <string>

#include "db/InvalFileInfo.h"

class QDateTimeEdit;
class QWidget;

// The creation date box: year/month/day, from the year 100 to 9999, starting at now.
QDateTimeEdit* NewDateEdit(QWidget* parent);

// The date in local time; fallback when it is not valid or cannot be converted.
QDateTime OleDateToQt(const OleDate& date, const QDateTime& fallback);
// A date and time from the box; now when it cannot be converted.
OleDate OleDateFromQt(const QDateTime& value);

QString SummaryToQt(const std::string& summary);
std::string SummaryFromQt(QString text);
