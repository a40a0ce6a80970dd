// Rounds of measurements side by side: every round runs each step once, in the order given
// in the first round and reversed in the next, so that no step always runs right after the
// same other one.
#pragma once

#include <functional>
#include <vector>

namespace bench {

// rounds rounds of steps; cold: the caches are dropped before every step (see ColdCache).
// afterRound, when given, is called after each round with its number (from 1).
void RunRounds(int rounds, const std::vector<std::function<void()>>& steps, bool cold = false,
               const std::function<void(int)>& afterRound = {});

}  // namespace bench
