// A scratch folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder, without a trailing "/".
  const std::string& path() const { return path_; }
  // The folder with its trailing "/", as the program's folder is passed around.
  std::string folder() const { return path_ + "/"; }
  // Writes a file below the folder (parents created) and returns its full path.
  std::string Write(const std::string& relative, const std::string& content) const;
  std::string Read(const std::string& relative) const;
  std::string MakeDir(const std::string& relative) const;

 private:
  std::string path_;
};

}  // namespace testing_support
