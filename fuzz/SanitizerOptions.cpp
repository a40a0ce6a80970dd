// The sanitizers' defaults for every fuzz target (ASAN_OPTIONS still overrides them).
//
// malloc_context_size=0: no call stack is recorded for each allocation and release. The
// records only add "allocated by" and "freed by" stacks to a report, yet taking and storing
// them was a tenth of a run's time, the targets allocating at every step. Errors are found
// as before, and a finding is replayed with ASAN_OPTIONS=malloc_context_size=30 for them.
extern "C" const char* __asan_default_options() { return "malloc_context_size=0"; }
