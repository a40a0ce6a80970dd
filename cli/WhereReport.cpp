#include "WhereReport.h"

#include "log/LogManager.h"
#include "settings/AppFiles.h"

std::string WhereReport(const AppLocations& locations, const CliConsole& console) {
  LogManager logs;
  logs.LoadSettings(SettingsFile(), locations);
  return "settings file: " + console.Path(locations.SettingsFilePath()) + "\n" +
         "data file: " + console.Path(locations.DataFilePath()) + "\n" +
         "log folder: " + console.Path(logs.LogFolder()) + "\n";
}
