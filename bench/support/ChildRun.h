// One run of a program as a child of the bench: its output thrown away, its wall time from
// fork to exit, the CPU time (user + system) and the peak memory it used.
#pragma once

#include <sys/resource.h>

#include <string>
#include <vector>

namespace bench {

struct ChildRun {
  double seconds = 0;
  double cpuSeconds = 0;
  long maxRssKb = 0;
  int exitStatus = -1;  // -1: it did not exit normally
};

// user + system of usage, in seconds.
double CpuSeconds(const struct rusage& usage);

// Runs args[0] with args; stdout and stderr go to /dev/null.
ChildRun RunChild(std::vector<std::string> args);

}  // namespace bench
