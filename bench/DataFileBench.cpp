// Data file and search cost of a large signature store: builds 100,000 records in ~20
// categories with CP932 names, then times Save, Load and the per-file search (indexed and
// sequential), and prints the peak memory (VmHWM) after each stage. Load and save times
// are medians of several runs, as wall time and as this process's CPU time (the steadier
// figure on a machine shared with other work).
//
//   DataFileBench [FOLDER] [--rounds N]      everything, in FOLDER (default /tmp/vorlet-datafile-bench/)
//   DataFileBench --load-only FOLDER [--rounds N] [--cold-rounds N]
//        Load of FOLDER/Vorlet.dat: the first load's peak memory alone, then the median time;
//        then (5 cold rounds by default) the load from a dropped cache against a plain read of
//        the file's bytes from a dropped cache, the least any load could take
//   DataFileBench --whole-command [--files N | --tree ROOT] [--rounds N] [--cold-rounds N]
//                 [--scan PATH_OF_VORLET_SCAN]
//        `vorlet-scan -q --home H -p *.* --subfolders TREE` with 100,000 signatures in H and
//        with 10, run alternately over a generated tree of N files (default 20,000) or over
//        the folder ROOT as it is; the medians, their ratio and their difference, start to
//        exit, the load included (over an empty ROOT the difference is the signatures'
//        fixed cost), and the median of each round's own ratio (steady where the
//        machine's speed drifts over the rounds); with --cold-rounds N (none by default) as
//        many rounds again where every run starts from a dropped cache
// A cold measurement needs root (/proc/sys/vm/drop_caches); without it, it is skipped with
// a note.
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "db/ContentMatcher.h"
#include "db/InvalFileDB.h"
#include "util/FolderTree.h"
#include "platform/FileSystem.h"
#include "support/ChildRun.h"
#include "support/ColdCache.h"
#include "support/Rounds.h"
#include "support/TreeGenerator.h"

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

double CpuNow() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// Wall and CPU time of one run of work.
struct Timing {
  double wall = 0;
  double cpu = 0;
};

template <typename Work>
Timing Time(Work&& work) {
  const double cpu = CpuNow();
  const auto start = std::chrono::steady_clock::now();
  work();
  return {Seconds(start), CpuNow() - cpu};
}

// The medians of rounds runs of work.
template <typename Work>
Timing MedianOf(int rounds, Work&& work) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < rounds; ++i) {
    const Timing one = Time(work);
    wall.push_back(one.wall);
    cpu.push_back(one.cpu);
  }
  return {Median(wall), Median(cpu)};
}

void PrintTiming(const char* what, const Timing& t, int rounds) {
  std::printf("%-17s %.4f s wall, %.4f s CPU (median of %d)\n", what, t.wall, t.cpu, rounds);
}

// Category names: a few double-byte words and half-width katakana with a number.
std::string CategoryName(int i) {
  static const char* const kWords[] = {"\x83\x67\x83\x8D\x83\x43", "\x83\x8F\x81\x5B\x83\x80",
                                       "\x83\x45\x83\x42\x83\x8B\x83\x58", "\xBD\xCA\xDF\xB2\xD4\xB0",
                                       "\x95\x73\x90\xB3", "Adware"};
  return std::string(kWords[i % 6]) + std::to_string(i);
}

void Fill(InvalFileDB& db, int records) {
  std::mt19937_64 rng(42);
  for (int i = 0; i < records; ++i) {
    auto record = std::make_shared<InvalFileInfo>();
    uint8_t digest[16];
    for (auto& b : digest) b = static_cast<uint8_t>(rng());
    std::string name = "\x95\x73\x90\xB3\x83\x74\x83\x40\x83\x43\x83\x8B_" + std::to_string(i) + ".exe";
    record->SetFromBytes(name, CategoryName(i % kCategories), "\x8D\x82", OleDate{45000.5 + i % 1000, 0}, "",
                         digest, 16, i % 10 == 0 ? "\x8A\x54\x97\x76\r\n\x8A\x54\x97\x76" : "");
    db.Add(record);
  }
}

// The file's bytes read into memory and nothing else: one read call after another.
void ReadPlainly(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  std::vector<char> bytes(1 << 20);
  while (read(fd, bytes.data(), bytes.size()) > 0) {
  }
  close(fd);
}

// The load from a dropped cache against the plain read, alternating, medians.
void LoadCold(const std::string& folder, int rounds) {
  std::printf("cold cache, %d rounds:\n", rounds);
  if (!bench::DropCaches()) {
    std::printf("                 %s\n", bench::kColdSkipped);
    return;
  }
  const std::string path = folder + InvalFileDB::kDataFileBase + "." + InvalFileDB::kDataFileExt;
  std::vector<double> load, read;
  bench::RunRounds(rounds,
                   {[&] {
                      InvalFileDB db;
                      load.push_back(Time([&] { db.Load(folder); }).wall);
                    },
                    [&] { read.push_back(Time([&] { ReadPlainly(path); }).wall); }},
                   true);
  std::printf("load, cold       %.4f s wall (median of %d)\n", Median(load), rounds);
  std::printf("read, cold       %.4f s wall (median of %d; the file's bytes alone)\n", Median(read), rounds);
  std::printf("load / read      %.3f\n", Median(load) / Median(read));
}

int LoadOnly(const std::string& folder, int rounds, int coldRounds) {
  std::printf("before load      VmHWM %s\n", StatusField("VmHWM:").c_str());
  bool ok = false;
  int32_t count = 0;
  {
    InvalFileDB db;
    const Timing first = Time([&] { ok = db.Load(folder); });
    count = db.RecordCount();
    std::printf("first load       %.4f s wall, %.4f s CPU (%d records, %s)  VmHWM %s\n", first.wall, first.cpu, count,
                ok ? "complete" : "INCOMPLETE", StatusField("VmHWM:").c_str());
  }
  // Each store goes before the next load: the peak above stays that of one store.
  PrintTiming("load", MedianOf(rounds, [&] {
                InvalFileDB db;
                db.Load(folder);
              }),
              rounds);
  if (coldRounds > 0) LoadCold(folder, coldRounds);
  return ok ? 0 : 1;
}

// ---- the whole command ----

bench::ChildRun RunScan(const std::string& scan, const std::string& home, const std::string& tree) {
  return bench::RunChild({scan, "-q", "--home", home, "-p", "*.*", "--subfolders", tree});
}

// Writes home/Vorlet.dat with records signatures, in a child process, so that this one
// stays small.
bool MakeHome(const std::string& home, int records) {
  platform::MakeDirectory(home);
  const pid_t pid = fork();
  if (pid == 0) {
    InvalFileDB db;
    Fill(db, records);
    _exit(db.Save(home) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Rounds of the two runs, alternating, the order changing each round; then the medians.
bool Alternate(const std::string& scan, const std::string& few, const std::string& many, const std::string& tree,
               int rounds, bool cold) {
  std::vector<double> wallFew, wallMany, cpuFew, cpuMany;
  int failedExit = 0;
  const auto step = [&](const std::string& home, std::vector<double>& wall, std::vector<double>& cpu) {
    if (failedExit != 0) return;
    const bench::ChildRun run = RunScan(scan, home, tree);
    if (run.exitStatus < 0 || run.exitStatus > 1) failedExit = run.exitStatus < 0 ? -1 : run.exitStatus;
    wall.push_back(run.seconds);
    cpu.push_back(run.cpuSeconds);
  };
  bench::RunRounds(rounds, {[&] { step(many, wallMany, cpuMany); }, [&] { step(few, wallFew, cpuFew); }}, cold);
  if (failedExit != 0) {
    std::printf("vorlet-scan failed (exit %d)\n", failedExit);
    return false;
  }
  std::printf("%d rounds, medians\n", rounds);
  std::printf("10 signatures       %.4f s wall, %.4f s CPU\n", Median(wallFew), Median(cpuFew));
  std::printf("100,000 signatures  %.4f s wall, %.4f s CPU\n", Median(wallMany), Median(cpuMany));
  std::printf("ratio 100,000 / 10  %.3f wall, %.3f CPU\n", Median(wallMany) / Median(wallFew),
              Median(cpuMany) / Median(cpuFew));
  // Over an empty folder this is the fixed cost of the signatures: the load and the exit.
  std::printf("100,000 - 10        %.2f ms wall, %.2f ms CPU\n", (Median(wallMany) - Median(wallFew)) * 1e3,
              (Median(cpuMany) - Median(cpuFew)) * 1e3);
  // Each round's two runs follow each other: their ratio does not drift with the machine's
  // speed over the rounds, as the medians of all the runs may (another program, the host).
  std::vector<double> wallRatios, cpuRatios;
  for (size_t i = 0; i < wallMany.size(); ++i) {
    wallRatios.push_back(wallMany[i] / wallFew[i]);
    cpuRatios.push_back(cpuMany[i] / cpuFew[i]);
  }
  std::printf("ratio, round by round  %.3f wall, %.3f CPU (medians of the rounds' ratios)\n", Median(wallRatios),
              Median(cpuRatios));
  return true;
}

int WholeCommand(int files, std::string tree, int rounds, int coldRounds, std::string scan) {
  if (scan.empty()) {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
    scan = folder.substr(0, folder.rfind('/') + 1) + "vorlet-scan";
  }
  bench::TreeSpec spec;
  spec.files = files;
  spec.folders = std::max(1, files / 50);
  const bool given = !tree.empty();
  if (!given) tree = "/tmp/vorlet-datafile-bench-tree-" + std::to_string(files);
  if (!given && !bench::TreeIsCurrent(tree, spec)) {
    std::printf("generating %d files below %s ...\n", files, tree.c_str());
    std::fflush(stdout);
    bench::GeneratedTree generated;
    if (!bench::GenerateTree(tree, spec, &generated)) return 1;
  }
  const std::string few = "/tmp/vorlet-datafile-bench-home-10/";
  const std::string many = "/tmp/vorlet-datafile-bench-home-100000/";
  if (!MakeHome(few, 10) || !MakeHome(many, kRecords)) return 1;
  if (given) {
    std::printf("tree: %s\n", tree.c_str());
  } else {
    std::printf("tree: %d files\n", files);
  }

  // One run of each warms the cache; then the two alternate, the order changing each round.
  RunScan(scan, few, tree);
  RunScan(scan, many, tree);
  if (!Alternate(scan, few, many, tree, rounds, false)) return 1;
  if (coldRounds > 0) {
    std::printf("\ncold cache, every run from a dropped cache:\n");
    if (!bench::DropCaches()) {
      std::printf("%s\n", bench::kColdSkipped);
    } else if (!Alternate(scan, few, many, tree, coldRounds, true)) {
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 9;
  int coldRounds = -1;  // as the measurement has it
  int files = 20000;
  std::string scan, tree;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--cold-rounds" && i + 1 < argc) coldRounds = std::max(0, std::atoi(argv[++i]));
    else if (arg == "--files" && i + 1 < argc) files = std::max(100, std::atoi(argv[++i]));
    else if (arg == "--scan" && i + 1 < argc) scan = argv[++i];
    else if (arg == "--tree" && i + 1 < argc) tree = argv[++i];
    else rest.push_back(arg);
  }
  // A folder given without its separator is still that folder, not a name beside it.
  if (rest.size() == 2 && rest[0] == "--load-only") {
    AddTrailingSeparator(rest[1]);
    return LoadOnly(rest[1], rounds, coldRounds < 0 ? 5 : coldRounds);
  }
  if (rest.size() == 1 && rest[0] == "--whole-command") return WholeCommand(files, tree, rounds, std::max(coldRounds, 0), scan);
  if (rest.size() > 1 || (!rest.empty() && rest[0].rfind("-", 0) == 0)) {
    std::fprintf(stderr,
                 "usage: DataFileBench [FOLDER] [--rounds N] | --load-only FOLDER [--rounds N] [--cold-rounds N] |\n"
                 "       --whole-command [--files N | --tree ROOT] [--rounds N] [--cold-rounds N] [--scan PATH]\n");
    return 2;
  }
  std::string folder = !rest.empty() ? rest[0] : "/tmp/vorlet-datafile-bench/";
  if (folder.back() != '/') folder += '/';
  platform::MakeDirectory(folder);

  std::printf("start            VmHWM %s\n", StatusField("VmHWM:").c_str());
  InvalFileDB db;
  auto start = std::chrono::steady_clock::now();
  Fill(db, kRecords);
  std::printf("build            %.3f s  (%d records)  VmHWM %s\n", Seconds(start), db.RecordCount(),
              StatusField("VmHWM:").c_str());

  bool saved = true;
  PrintTiming("save", MedianOf(rounds, [&] { saved = db.Save(folder) && saved; }), rounds);
  platform::FileStatus status;
  platform::GetStatus(folder + "Vorlet.dat", &status);
  std::printf("                 (%llu bytes, %s)  VmHWM %s\n", static_cast<unsigned long long>(status.size),
              saved ? "ok" : "FAILED", StatusField("VmHWM:").c_str());

  // The same records built into bytes only: what the save costs before the file system.
  std::string inMemory;
  PrintTiming("save to memory", MedianOf(rounds, [&] { db.SaveBytes(&inMemory); }), rounds);

  bool complete = true;
  PrintTiming("load", MedianOf(rounds, [&] {
                InvalFileDB once;
                complete = once.Load(folder) && complete;
              }),
              rounds);
  InvalFileDB loaded;
  complete = loaded.Load(folder) && complete;
  std::printf("                 (%d records, %s)  VmHWM %s\n", loaded.RecordCount(), complete ? "complete" : "INCOMPLETE",
              StatusField("VmHWM:").c_str());

  // A loaded store saves back what it read: load, then save, gives the same bytes.
  std::string fileBytes, resaved;
  platform::ReadWholeFile(folder + "Vorlet.dat", &fileBytes);
  bool resaveOk = true;
  PrintTiming("save after load", MedianOf(rounds, [&] { resaveOk = loaded.Save(folder) && resaveOk; }), rounds);
  std::printf("                 (%s)\n", resaveOk ? "ok" : "FAILED");
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

  if (rest.empty()) platform::RemoveFile(folder + "Vorlet.dat");
  return saved && complete && resaveOk ? 0 : 1;
}
