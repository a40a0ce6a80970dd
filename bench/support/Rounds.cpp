#include "support/Rounds.h"

#include "support/ColdCache.h"

namespace bench {

void RunRounds(int rounds, const std::vector<std::function<void()>>& steps, bool cold,
               const std::function<void(int)>& afterRound) {
  for (int round = 0; round < rounds; ++round) {
    for (size_t k = 0; k < steps.size(); ++k) {
      if (cold) DropCaches();
      steps[round % 2 == 0 ? k : steps.size() - 1 - k]();
    }
    if (afterRound) afterRound(round + 1);
  }
}

}  // namespace bench
