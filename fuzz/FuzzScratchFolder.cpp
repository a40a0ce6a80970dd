#include "FuzzScratchFolder.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <system_error>

namespace fuzz_support {

namespace fs = std::filesystem;

namespace {

class ProcessFolder {
 public:
  ProcessFolder() {
    std::error_code ec;
    fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "vorlet-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
    path_ = pattern;
  }
  ~ProcessFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ProcessFolder(const ProcessFolder&) = delete;
  ProcessFolder& operator=(const ProcessFolder&) = delete;

  const std::string& Sub(const std::string& name) {
    auto it = subs_.find(name);
    if (it != subs_.end()) return it->second;
    fs::path sub = fs::path(path_) / name;
    fs::create_directory(sub);
    return subs_.emplace(name, sub.string() + "/").first->second;
  }

 private:
  std::string path_;
  std::map<std::string, std::string> subs_;
};

}  // namespace

const std::string& ScratchFolder(const std::string& name) {
  static ProcessFolder folder;
  return folder.Sub(name);
}

}  // namespace fuzz_support
