// The sanitizers' defaults for every fuzz target (ASAN_OPTIONS still overrides them).
//
// malloc_context_size=0: no call stack is recorded for each allocation and release. The
// records only add "allocated by" and "freed by" stacks to a report, yet taking and storing
// them was a tenth of a run's time, the targets allocating at every step. Errors are found
// as before, and a finding is replayed with ASAN_OPTIONS=malloc_context_size=30 for them.
//
// quarantine_size_mb=32 instead of 256: freed memory is still held back from reuse, so a
// use after free is still caught, for as long as the next 32 MB of releases; a run releases
// far less (its inputs are a few KB), so that covers the run and many after it. Cycling
// through 256 MB instead kept handing out memory the system had to map afresh: page faults
// were most of a run's system time.
extern "C" const char* __asan_default_options() { return "malloc_context_size=0:quarantine_size_mb=32"; }
