#include "SignatureListing.h"

#include <cstdio>
#include <iterator>

#include "CliConsole.h"
#include "db/InvalFileDB.h"
#include "platform/Clock.h"

size_t SignatureListing::Print(const InvalFileDB& store) {
  size_t count = 0;
  store.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& record) {
    console_.Out(Line(*record));
    ++count;
  });
  console_.FlushOut();
  return count;
}

std::string SignatureListing::Line(const InvalFileInfo& record) const {
  const OleDate& date = record.CreatedDate();
  const std::string fields[] = {record.Category(),
                                record.Name(),
                                record.RiskLevel(),
                                FormatDate(date.days, date.status),
                                record.Author(),
                                record.GetSearchText(),
                                record.Summary()};
  std::string line;
  for (size_t i = 0; i < std::size(fields); ++i) {
    if (i > 0) line.push_back('\t');
    // Escaped before converting: the escapes are ASCII and come through unchanged.
    line += console_.Text(Escape(fields[i]));
  }
  line.push_back('\n');
  return line;
}

std::string SignatureListing::Escape(std::string_view field) { return CliConsole::Escaped(field, true); }

std::string SignatureListing::FormatDate(double oleDate, int status) {
  platform::LocalDateTime local{};
  if (status != 0 || !platform::OleDateToLocal(oleDate, &local)) return std::string();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.year, local.month, local.day, local.hour,
                local.minute, local.second);
  return text;
}
