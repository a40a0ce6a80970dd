// The name of the Windows version the program runs on ("95", "98", "Me", "NT", "2000",
// "XP", ...). Elsewhere there is none: the empty name counts as the NT family, whose
// folder chooser may preselect a folder.
#pragma once

#include <string>

inline std::string GetWindowsVersionName() { return std::string(); }
