// Runs the built vorlet-scan as a child process with its stdout and stderr captured, in a
// fixed environment (a UTF-8 locale unless a test gives another), and a scratch program
// folder for it: a Vorlet.ini written key by key and a Vorlet.dat built with the store.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "db/InvalFileDB.h"
#include "settings/ProfileFile.h"
#include "support/TempDir.h"

namespace cli_test {

struct ScanOutcome {
  int exitStatus = -1;  // -1 when the child did not exit normally
  std::string out;
  std::string err;
};

// The child's stdout (fd 1) or stderr (fd 2) sent to a file opened for writing (such as
// /dev/full) instead of being captured; an empty path gives a pipe nobody reads, whose
// reader is gone, or with heldOpen one whose reader stays but never reads.
struct Redirect {
  int fd = -1;
  std::string path;
  bool heldOpen = false;
};

class ScanProcess {
 public:
  // program: a copy of vorlet-scan elsewhere; empty for the built one.
  explicit ScanProcess(const std::vector<std::string>& args, const std::vector<std::string>& env = {"LANG=C.UTF-8"},
                       const Redirect& redirect = {}, const std::string& program = {});
  ~ScanProcess();
  ScanProcess(const ScanProcess&) = delete;
  ScanProcess& operator=(const ScanProcess&) = delete;

  // Reads until stderr holds text; false when the child ended or the time ran out first.
  bool WaitForStderr(std::string_view text, std::chrono::milliseconds timeout);
  void Signal(int signal);
  // Bytes waiting in the pipe of Redirect::heldOpen.
  int HeldBytes() const;
  // Reads both streams to their end and reaps the child; a child that has not ended
  // within timeout is killed (exitStatus -1).
  ScanOutcome Finish(std::chrono::milliseconds timeout = std::chrono::hours(1));

 private:
  bool ReadSome(int timeoutMs);

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  int heldFd_ = -1;
  ScanOutcome outcome_;
};

ScanOutcome RunScan(const std::vector<std::string>& args, const std::vector<std::string>& env = {"LANG=C.UTF-8"},
                    const Redirect& redirect = {});

// RunScan with a copy of vorlet-scan at program.
ScanOutcome RunScanCopy(const std::string& program, const std::vector<std::string>& args,
                        const std::vector<std::string>& env);

// The 16 search bytes a default search computes for a file with this content.
std::vector<uint8_t> FingerprintOf(std::string_view content);

// A program folder: settings keys (UTF-8 values, stored as CP932) and signatures.
class ScanHome {
 public:
  ScanHome();
  const std::string& path() const { return dir_.path(); }
  void Set(const std::string& section, const std::string& key, const std::string& utf8Value);
  // A signature (names UTF-8) matching files whose content is sampleContent.
  void AddSignature(const std::string& category, const std::string& name, std::string_view sampleContent,
                    const std::string& riskLevel = "");
  InvalFileDB& store() { return store_; }
  void SaveStore();
  std::string DataFile() const { return dir_.Read("Vorlet.dat"); }
  // "--home", path(), then args.
  std::vector<std::string> Args(std::vector<std::string> args) const;

 private:
  testing_support::TempDir dir_;
  ProfileFile ini_;
  InvalFileDB store_;
};

}  // namespace cli_test
