// vorlet-scan --where: the three places the program works with, as the location rule
// gives them, so that an administrator (or a script) can find them without knowing the
// rule. The log folder is the one a search would use: the settings' LogFolder when it
// names one. Nothing is created. The paths are shown as every console line shows a name,
// control characters escaped: the settings and --home are whatever someone wrote there.
#pragma once

#include <string>

#include "CliConsole.h"
#include "settings/AppLocations.h"

// The settings file must be bound (it is only read).
std::string WhereReport(const AppLocations& locations, const CliConsole& console);
