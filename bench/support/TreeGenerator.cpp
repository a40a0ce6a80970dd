#include "support/TreeGenerator.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace bench {
namespace fs = std::filesystem;

namespace {

// A few Japanese names (UTF-8 on disk), with the 0x5C second byte of 表 and ソ among them.
const char* const kJapaneseNames[] = {"表計算", "ソフト", "資料", "報告書", "ﾃｽﾄ", "写真", "不正"};
const char* const kExtensions[] = {".txt", ".exe", ".dll", ".doc", ".jpg", ".html", ".bin", ""};

std::string MarkerText(const TreeSpec& spec) {
  std::ostringstream s;
  s << spec.files << ' ' << spec.folders << ' ' << spec.planted << ' ' << spec.sampleCount << ' ' << spec.seed;
  return s.str();
}

std::string SampleContent(int index) {
  std::string content = "VORLET-BENCH-SAMPLE-" + std::to_string(index) + "-";
  content.resize(1024, static_cast<char>('A' + index % 26));
  return content;
}

}  // namespace

std::vector<std::string> SampleContents(const TreeSpec& spec) {
  std::vector<std::string> samples;
  for (int i = 0; i < spec.sampleCount; ++i) samples.push_back(SampleContent(i));
  return samples;
}

bool TreeIsCurrent(const std::string& root, const TreeSpec& spec) {
  std::ifstream in(root + "/.tree-spec");
  std::string line;
  return std::getline(in, line) && line == MarkerText(spec);
}

bool GenerateTree(const std::string& root, const TreeSpec& spec, GeneratedTree* out) {
  std::mt19937_64 rng(spec.seed);
  std::error_code ec;
  fs::remove_all(root, ec);
  fs::create_directories(root, ec);
  if (ec) return false;

  out->root = root;
  out->files = 0;
  out->bytes = 0;
  out->sampleContents = SampleContents(spec);

  // Folders: a tree of depth up to 4, each new folder under a random earlier one.
  std::vector<std::string> folders{root};
  for (int i = 1; i < spec.folders; ++i) {
    const std::string& parent = folders[rng() % folders.size()];
    std::string name = (i % 9 == 0) ? std::string(kJapaneseNames[i % 7]) + std::to_string(i) : "dir" + std::to_string(i);
    std::string path = parent + "/" + name;
    if (std::count(path.begin(), path.end(), '/') - std::count(root.begin(), root.end(), '/') > 4)
      path = root + "/" + name;
    fs::create_directories(path, ec);
    if (ec) return false;
    folders.push_back(path);
  }

  std::string content;
  std::uniform_int_distribution<int> pct(0, 99);
  for (int i = 0; i < spec.files; ++i) {
    const std::string& folder = folders[static_cast<size_t>(i) % folders.size()];
    std::string name = (i % 13 == 0) ? std::string(kJapaneseNames[i % 7]) + std::to_string(i) : "file" + std::to_string(i);
    name += kExtensions[rng() % 8];
    if (i < spec.planted) {
      content = out->sampleContents[static_cast<size_t>(i % spec.sampleCount)];
    } else {
      int p = pct(rng);
      size_t size = p < 5 ? rng() % 257 : p < 70 ? 512 + rng() % 3584 : p < 97 ? 4096 + rng() % 28672 : 131072;
      content.resize(size);
      uint64_t x = rng();
      for (size_t k = 0; k < size; ++k) {
        x = x * 6364136223846793005ULL + 1442695040888963407ULL;
        content[k] = static_cast<char>(x >> 56);
      }
    }
    std::ofstream file(folder + "/" + name, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!file) return false;
    ++out->files;
    out->bytes += content.size();
  }
  std::ofstream marker(root + "/.tree-spec");
  marker << MarkerText(spec) << '\n';
  return static_cast<bool>(marker);
}

}  // namespace bench
