#include "WhereReport.h"

#include "log/LogManager.h"
#include "settings/AppFiles.h"

std::string WhereReport(const AppLocations& locations, const CliConsole& console) {
  LogManager logs;
  logs.LoadSettings(SettingsFile(), locations);
  return "settings file: " + console.ShownPath(locations.SettingsFilePath()) + "\n" +
         "data file: " + console.ShownPath(locations.DataFilePath()) + "\n" +
         "log folder: " + console.ShownPath(logs.LogFolder()) + "\n";
}
