// Data file and search cost of a large signature store: builds 100,000 records in ~20
// categories with CP932 names, then times Save, Load and the per-file search (indexed and
// sequential), and prints the peak memory (VmHWM) after each stage.
//
//   DataFileBench [FOLDER]             everything, in FOLDER (default /tmp/vorlet-datafile-bench/)
//   DataFileBench --load-only FOLDER   only Load of FOLDER/Vorlet.dat, for its peak memory alone
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "db/InvalFileDB.h"
#include "db/ContentMatcher.h"
#include "platform/FileSystem.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kCategories = 20;

class BenchMatcher : public ContentMatcher {
 public:
  bool Compare(const uint8_t* searchBytes, int32_t searchLength) override {
    ++compares;
    matched = searchLength >= 16 && std::memcmp(searchBytes, fingerprint, 16) == 0;
    return true;
  }
  const std::string& FilePath() const override { return path; }
  std::string path;
  long compares = 0;
};

std::string StatusField(const char* field) {
  std::string status;
  if (!platform::ReadWholeFile("/proc/self/status", &status)) return "?";
  size_t at = status.find(field);
  if (at == std::string::npos) return "?";
  size_t end = status.find('\n', at);
  std::string line = status.substr(at + std::strlen(field), end - at - std::strlen(field));
  return line.substr(line.find_first_not_of(" \t"));
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Category names: a few double-byte words and half-width katakana with a number.
std::string CategoryName(int i) {
  static const char* const kWords[] = {"\x83\x67\x83\x8D\x83\x43", "\x83\x8F\x81\x5B\x83\x80",
                                       "\x83\x45\x83\x42\x83\x8B\x83\x58", "\xBD\xCA\xDF\xB2\xD4\xB0",
                                       "\x95\x73\x90\xB3", "Adware"};
  return std::string(kWords[i % 6]) + std::to_string(i);
}

void Fill(InvalFileDB& db) {
  std::mt19937_64 rng(42);
  for (int i = 0; i < kRecords; ++i) {
    auto record = std::make_shared<InvalFileInfo>();
    uint8_t digest[16];
    for (auto& b : digest) b = static_cast<uint8_t>(rng());
    std::string name = "\x95\x73\x90\xB3\x83\x74\x83\x40\x83\x43\x83\x8B_" + std::to_string(i) + ".exe";
    record->SetFromBytes(name, CategoryName(i % kCategories), "\x8D\x82", OleDate{45000.5 + i % 1000, 0}, "",
                         digest, 16, i % 10 == 0 ? "\x8A\x54\x97\x76\r\n\x8A\x54\x97\x76" : "");
    db.Add(record);
  }
}

int LoadOnly(const std::string& folder) {
  std::printf("before load      VmHWM %s\n", StatusField("VmHWM:").c_str());
  InvalFileDB db;
  auto start = std::chrono::steady_clock::now();
  bool ok = db.Load(folder);
  double took = Seconds(start);
  std::printf("load             %.3f s  (%d records, %s)  VmHWM %s\n", took, db.RecordCount(), ok ? "complete" : "INCOMPLETE",
              StatusField("VmHWM:").c_str());
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load-only") return LoadOnly(argv[2]);
  std::string folder = argc > 1 ? argv[1] : "/tmp/vorlet-datafile-bench/";
  if (folder.back() != '/') folder += '/';
  platform::MakeDirectory(folder);

  std::printf("start            VmHWM %s\n", StatusField("VmHWM:").c_str());
  InvalFileDB db;
  auto start = std::chrono::steady_clock::now();
  Fill(db);
  std::printf("build            %.3f s  (%d records)  VmHWM %s\n", Seconds(start), db.RecordCount(),
              StatusField("VmHWM:").c_str());

  start = std::chrono::steady_clock::now();
  bool saved = db.Save(folder);
  double saveTime = Seconds(start);
  platform::FileStatus status;
  platform::GetStatus(folder + "Vorlet.dat", &status);
  std::printf("save             %.3f s  (%llu bytes, %s)  VmHWM %s\n", saveTime,
              static_cast<unsigned long long>(status.size), saved ? "ok" : "FAILED", StatusField("VmHWM:").c_str());

  // The same records built into bytes only: what the save costs before the file system.
  std::string inMemory;
  start = std::chrono::steady_clock::now();
  db.SaveBytes(&inMemory);
  std::printf("save to memory   %.3f s\n", Seconds(start));

  InvalFileDB loaded;
  start = std::chrono::steady_clock::now();
  bool complete = loaded.Load(folder);
  std::printf("load             %.3f s  (%d records, %s)  VmHWM %s\n", Seconds(start), loaded.RecordCount(),
              complete ? "complete" : "INCOMPLETE", StatusField("VmHWM:").c_str());

  // A loaded store saves back what it read: load, then save, gives the same bytes.
  std::string fileBytes, resaved;
  platform::ReadWholeFile(folder + "Vorlet.dat", &fileBytes);
  start = std::chrono::steady_clock::now();
  bool resaveOk = loaded.Save(folder);
  std::printf("save after load  %.3f s  (%s)\n", Seconds(start), resaveOk ? "ok" : "FAILED");
  platform::ReadWholeFile(folder + "Vorlet.dat", &resaved);
  std::printf("load -> save     %s\n", resaved == fileBytes ? "same bytes" : "BYTES DIFFER");

  BenchMatcher matcher;
  loaded.SetMatcher(&matcher);
  std::mt19937_64 rng(7);
  constexpr int kFiles = 200000;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kFiles; ++i) {
    uint8_t digest[16];
    for (auto& b : digest) b = static_cast<uint8_t>(rng());
    loaded.Search(nullptr, digest, 16, 1);
  }
  double indexed = Seconds(start);
  constexpr int kSequentialFiles = 200;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kSequentialFiles; ++i) {
    uint8_t digest[16];
    for (auto& b : digest) b = static_cast<uint8_t>(rng());
    loaded.SearchSequential(nullptr, digest, 16, 1);
  }
  double sequential = Seconds(start);
  std::printf("search indexed   %.3f us per file (%d files without a hit)\n", indexed / kFiles * 1e6, kFiles);
  std::printf("search sequential %.1f us per file (%d files without a hit)\n", sequential / kSequentialFiles * 1e6,
              kSequentialFiles);

  if (argc <= 1) platform::RemoveFile(folder + "Vorlet.dat");
  return saved && complete ? 0 : 1;
}
