// A deterministic test tree for the benchmarks: many folders, mixed file sizes, some
// Japanese names, and a few planted samples whose leading block is known, so that a
// search over the tree has hits to find.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct TreeSpec {
  int files = 100000;
  int folders = 2000;
  int planted = 50;   // files whose content is one of `sampleCount` known samples
  int sampleCount = 10;
  uint64_t seed = 20261207;
};

struct GeneratedTree {
  std::string root;                        // OS path, no trailing "/"
  std::vector<std::string> sampleContents;  // the leading bytes of each known sample
  int files = 0;
  uint64_t bytes = 0;
};

// Creates the tree below root (which must not exist or be empty). Returns false on an
// I/O error. The same spec always gives the same names and contents.
bool GenerateTree(const std::string& root, const TreeSpec& spec, GeneratedTree* out);

// The leading bytes of the known samples of a spec (the planted files hold them).
std::vector<std::string> SampleContents(const TreeSpec& spec);

// The same tree already on disk? (a marker file records how it was made)
bool TreeIsCurrent(const std::string& root, const TreeSpec& spec);

}  // namespace bench
