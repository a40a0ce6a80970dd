// The process's current folder, for turning a relative path into the absolute one that
// names the same folder.
#pragma once

#include <string>

namespace platform {

// The absolute path of the current folder (CP932, no trailing separator except for the
// root); false when it cannot be found (removed, or out of reach).
bool CurrentFolder(std::string* folder);

}  // namespace platform
