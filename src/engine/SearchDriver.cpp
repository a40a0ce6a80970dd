#include "engine/SearchDriver.h"

#include <exception>

#include "engine/CScanEngine.h"
#include "engine/SearchHost.h"
#include "util/StringTable.h"

bool SearchDriver::RunArmedSearch() {
  if (!engine_.running) return false;
  try {
    const bool mayStart = !hooks_.checkLogFolder || hooks_.checkLogFolder();
    if (mayStart) {
      engine_.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
      if (hooks_.writeAutoLog) hooks_.writeAutoLog(engine_.RunInfo());
    }
  } catch (const std::exception&) {
    // Only memory can fail out here (the log's texts); the search itself is over.
    CScanEngine::ShowLowMemory();
  }
  FinishSearch();
  return true;
}

void SearchDriver::FinishSearch() {
  const bool ranToEnd = engine_.running;
  engine_.running = false;
  if (SearchHost* host = engine_.Host()) {
    host->SetStatusText(LoadString(ranToEnd ? kStrSearchFinished : kStrSearchStopped));
  }
  if (hooks_.refreshForms) hooks_.refreshForms();
  if (hooks_.flashIfMinimised) hooks_.flashIfMinimised();
}
