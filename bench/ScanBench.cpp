// Search speed and memory against the physical limit, measured side by side in one run:
//   (a) the bare loop (walk, open, read 257 bytes, close) vs `vorlet-scan -q` over the tree;
//   (b) the engine in this process with 10 vs 100,000 signatures in the store;
//   (c) the peak memory of vorlet-scan over the whole tree vs a tree of a tenth of it;
//   (d) cold cache (the page cache dropped before every run; needs root, else skipped with
//       a note): the bare loop vs the parallel reference (find | xargs -P 32 head) and
//       vorlet-scan with --jobs 1, 2, 4, 8, 16, 32 and the default;
//   (e) the same on a warm cache.
// The cache is warmed by one bare loop first; then every round runs each measurement once,
// in alternating order, and the medians are compared, of the wall time and of the CPU time
// (user + system). On a machine shared with other work the CPU time is the steadier figure.
//
//   ScanBench [TREE_ROOT] [--scan PATH_OF_VORLET_SCAN] [--rounds N] [--cold-rounds N]
//             [--files N]
// --files makes (and expects) a tree of N files instead of 100,000, the folders in step.
// TREE_ROOT defaults to /tmp/vorlet-bench-tree (reused while it was made the same way); the
// tenth-size tree goes beside it (TREE_ROOT-small). vorlet-scan defaults to the one in this
// program's folder.
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "db/InvalFileDB.h"
#include "engine/CScanEngine.h"
#include "engine/Md5.h"
#include "platform/FileSystem.h"
#include "result/ScanResultModel.h"
#include "settings/ProfileFile.h"
#include "support/BareLoop.h"
#include "support/ChildRun.h"
#include "support/ColdCache.h"
#include "support/Rounds.h"
#include "support/TreeGenerator.h"
#include "util/CPatternList.h"
#include "util/TextList.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

bool EnsureTree(const std::string& root, const bench::TreeSpec& spec) {
  if (bench::TreeIsCurrent(root, spec)) return true;
  std::printf("generating %d files in %d folders below %s ...\n", spec.files, spec.folders, root.c_str());
  std::fflush(stdout);
  bench::GeneratedTree tree;
  return bench::GenerateTree(root, spec, &tree);
}

std::shared_ptr<InvalFileInfo> Record(const std::string& category, const std::string& name, const uint8_t* digest) {
  auto record = std::make_shared<InvalFileInfo>();
  record->SetFromBytes(name, category, "", OleDate{45000.5, 0}, "", digest, 16, "");
  return record;
}

// The known samples (so a search has hits), then random digests over ~20 categories.
void FillStore(InvalFileDB& store, const bench::TreeSpec& spec, int total) {
  int n = 0;
  for (const std::string& sample : bench::SampleContents(spec)) {
    uint8_t digest[16];
    Md5Digest(sample.data(), std::min<size_t>(sample.size(), 257), digest);
    store.Add(Record("Category" + std::to_string(n % 20), "sample" + std::to_string(n), digest));
    ++n;
  }
  std::mt19937_64 rng(99);
  for (; n < total; ++n) {
    uint8_t digest[16];
    for (auto& b : digest) b = static_cast<uint8_t>(rng());
    store.Add(Record("Category" + std::to_string(n % 20), "random" + std::to_string(n), digest));
  }
}

double OwnCpuSeconds() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return bench::CpuSeconds(usage);
}

using bench::ChildRun;

// Starts vorlet-scan from a small process forked before this one grew: a child's peak
// memory counts what it inherited at fork (Linux keeps the mark across exec), so children
// of this process, with its stores of signatures, would all report this process's size.
class Launcher {
 public:
  Launcher(std::string scan, std::string home) : scan_(std::move(scan)), home_(std::move(home)) {
    int request[2], reply[2];
    if (pipe(request) != 0 || pipe(reply) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(request[1]);
      close(reply[0]);
      Serve(request[0], reply[1]);
      _exit(0);
    }
    close(request[0]);
    close(reply[1]);
    requestFd_ = request[1];
    replyFd_ = reply[0];
  }
  ~Launcher() {
    close(requestFd_);  // the launcher ends at the end of its input
    close(replyFd_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }

  // vorlet-scan -q over root (at most 4 KiB of path), output thrown away; jobs 0 leaves
  // --jobs out.
  ChildRun Run(const std::string& root, int jobs = 0) {
    ChildRun run;
    char path[4096] = {};
    root.copy(path, sizeof path - 8);
    std::memcpy(path + sizeof path - sizeof jobs, &jobs, sizeof jobs);
    if (write(requestFd_, path, sizeof path) != static_cast<ssize_t>(sizeof path)) return run;
    if (read(replyFd_, &run, sizeof run) != static_cast<ssize_t>(sizeof run)) return ChildRun{};
    return run;
  }

 private:
  void Serve(int requests, int replies) {
    char path[4096];
    while (read(requests, path, sizeof path) == static_cast<ssize_t>(sizeof path)) {
      int jobs = 0;
      std::memcpy(&jobs, path + sizeof path - sizeof jobs, sizeof jobs);
      const ChildRun run = Spawn(path, jobs);
      if (write(replies, &run, sizeof run) != static_cast<ssize_t>(sizeof run)) return;
    }
  }

  ChildRun Spawn(const std::string& root, int jobs) const {
    std::vector<std::string> args{scan_, "-q", "--home", home_, "-p", "*.*", "--subfolders", root};
    if (jobs > 0) args.insert(args.begin() + 2, {"--jobs", std::to_string(jobs)});
    return bench::RunChild(std::move(args));
  }

  std::string scan_;
  std::string home_;
  pid_t pid_ = -1;
  int requestFd_ = -1;
  int replyFd_ = -1;
};

struct EngineRun {
  double seconds = 0;
  double cpuSeconds = 0;
  int32_t searched = 0;
  int32_t hits = 0;
};

EngineRun RunEngine(CScanEngine& engine, InvalFileDB& store, const std::string& root) {
  ScanResultModel results;
  engine.SetDetectionSink(&results);
  TextList targets;
  targets.Add(root, false);
  engine.Prepare(targets, CPatternList("*.*", ';'), true, store);
  results.ResetResult();
  engine.running = true;
  const Clock::time_point start = Clock::now();
  const double cpuStart = OwnCpuSeconds();
  engine.Run(CScanEngine::kSearchBufferSize, CScanEngine::kSearchOverlap);
  EngineRun run{Seconds(start), OwnCpuSeconds() - cpuStart, results.Counts().searched, results.Counts().invalid};
  engine.running = false;
  engine.SetDetectionSink(nullptr);
  return run;
}


// Medians of wall and CPU seconds of one measurement.
struct Series {
  std::vector<double> wall, cpu;
  void Add(double w, double c) {
    wall.push_back(w);
    cpu.push_back(c);
  }
};

void PrintRatio(const char* label, const Series& a, const Series& b, const char* target) {
  const double wa = Median(a.wall), wb = Median(b.wall), ca = Median(a.cpu), cb = Median(b.cpu);
  std::printf("%-38s %8.3fs %8.3fs %7.3f   %8.3fs %8.3fs %7.3f   %s\n", label, wa, wb, wb / wa, ca, cb, cb / ca, target);
}

// (d) and (e): every measurement from a dropped cache (cold) or as the last one left it,
// in alternating order, medians.
void JobsScaling(Launcher& launcher, const std::string& root, int rounds, bool cold) {
  std::printf("\n(%s) %s cache, %d rounds, medians of wall seconds\n", cold ? "d" : "e", cold ? "cold" : "warm", rounds);
  if (cold && !bench::DropCaches()) {
    std::printf("    %s\n", bench::kColdSkipped);
    return;
  }
  const int jobs[] = {1, 2, 4, 8, 16, 32, 0};
  std::vector<double> bare, reference;
  std::vector<std::vector<double>> scans(std::size(jobs));
  std::vector<std::function<void()>> steps;
  steps.push_back([&] { bare.push_back(bench::TimeBareLoop(root)); });
  steps.push_back([&] { reference.push_back(bench::RunParallelReference(root)); });
  for (size_t i = 0; i < std::size(jobs); ++i) steps.push_back([&, i] { scans[i].push_back(launcher.Run(root, jobs[i]).seconds); });
  bench::RunRounds(rounds, steps, cold);
  const double base = Median(bare);
  std::printf("    %-44s %8.3fs %7.3f\n", "bare loop, one thread (A)", base, 1.0);
  std::printf("    %-44s %8.3fs %7.3f\n", "find | xargs -0 -P 32 -n 200 head -q -c 257", Median(reference),
              Median(reference) / base);
  for (size_t i = 0; i < std::size(jobs); ++i) {
    const std::string label = jobs[i] == 0 ? "vorlet-scan -q (default jobs, " + std::to_string(CScanEngine::AutomaticJobs()) + ")"
                                          : "vorlet-scan -q --jobs " + std::to_string(jobs[i]);
    std::printf("    %-44s %8.3fs %7.3f%s\n", label.c_str(), Median(scans[i]), Median(scans[i]) / base,
                jobs[i] == 0 ? (cold ? "   target <= 0.30" : "   target <= 1.0") : "");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string root = "/tmp/vorlet-bench-tree";
  std::string scan = platform::ExecutableFolder() + "vorlet-scan";
  int rounds = 5;
  int coldRounds = 3;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--scan" && i + 1 < argc) scan = argv[++i];
    else if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--cold-rounds" && i + 1 < argc) coldRounds = std::max(0, std::atoi(argv[++i]));
    else if (arg == "--files" && i + 1 < argc) files = std::max(100, std::atoi(argv[++i]));
    else if (arg.rfind("-", 0) != 0) root = arg;
    else {
      // Not taken for a tree root: the bench would make a 100,000-file tree there.
      std::fprintf(stderr,
                   "usage: ScanBench [TREE_ROOT] [--scan PATH] [--rounds N] [--cold-rounds N] [--files N]\n");
      return 2;
    }
  }
  if (!root.empty() && root.back() == '/') root.pop_back();
  const std::string smallRoot = root + "-small";

  // vorlet-scan's folder: the 10 sample signatures (saved below), default settings.
  char homeTemplate[] = "/tmp/vorlet-scanbench-home-XXXXXX";
  if (mkdtemp(homeTemplate) == nullptr) return 1;
  const std::string home = std::string(homeTemplate) + "/";
  Launcher launcher(scan, home);

  bench::TreeSpec spec;
  if (files > 0) {
    spec.folders = std::max(10, spec.folders * files / spec.files);
    spec.files = files;
  }
  bench::TreeSpec smallSpec;
  smallSpec.files = spec.files / 10;
  smallSpec.folders = spec.folders / 10;
  if (!EnsureTree(root, spec) || !EnsureTree(smallRoot, smallSpec)) {
    std::fprintf(stderr, "could not make the trees\n");
    return 1;
  }
  InvalFileDB store10, store100k;
  FillStore(store10, spec, 10);
  FillStore(store100k, spec, 100000);
  if (!store10.Save(home)) return 1;

  ProfileFile noSettings;  // unbound: the default block 0..256
  CScanEngine engine(noSettings);

  std::printf("warming the cache ...\n");
  std::fflush(stdout);
  const bench::BareLoopResult warm = bench::RunBareLoop(root);
  bench::RunBareLoop(smallRoot);

  Series bare, cli, cliOne, engine10, engine100k;
  std::vector<double> rssFull, rssSmall;
  EngineRun last10, last100k;
  int cliStatus = -1;
  const std::vector<std::function<void()>> steps = {
      [&] {
        const Clock::time_point start = Clock::now();
        const double cpuStart = OwnCpuSeconds();
        bench::RunBareLoop(root);
        bare.Add(Seconds(start), OwnCpuSeconds() - cpuStart);
      },
      [&] {
        const ChildRun run = launcher.Run(root);
        cli.Add(run.seconds, run.cpuSeconds);
        rssFull.push_back(static_cast<double>(run.maxRssKb));
        cliStatus = run.exitStatus;
      },
      [&] {
        last10 = RunEngine(engine, store10, root);
        engine10.Add(last10.seconds, last10.cpuSeconds);
      },
      [&] {
        last100k = RunEngine(engine, store100k, root);
        engine100k.Add(last100k.seconds, last100k.cpuSeconds);
      },
      [&] { rssSmall.push_back(static_cast<double>(launcher.Run(smallRoot).maxRssKb)); },
      [&] {
        const ChildRun run = launcher.Run(root, 1);
        cliOne.Add(run.seconds, run.cpuSeconds);
      },
  };
  bench::RunRounds(rounds, steps);

  std::printf("\ntree %s: %llu files; %d rounds, medians\n", root.c_str(),
              static_cast<unsigned long long>(warm.files), rounds);
  std::printf("%-38s %9s %9s %7s   %9s %9s %7s   %s\n", "", "wall A", "wall B", "B/A", "cpu A", "cpu B", "B/A",
              "target");
  PrintRatio("(a) A bare loop, B vorlet-scan -q", bare, cli, "<= 1.0 (wall)");
  PrintRatio("(a') A bare loop, B ... --jobs 1", bare, cliOne, "");
  PrintRatio("(b) engine, A 10, B 100,000 signatures", engine10, engine100k, "<= 1.05");
  std::printf("%-38s %7.0fkB %7.0fkB %7.3f   %s\n", "(c) peak memory, A 10% tree, B full", Median(rssSmall),
              Median(rssFull), Median(rssFull) / Median(rssSmall), "about 1");
  std::printf("\nvorlet-scan exit status %d; engine: %d files, %d hits (10 signatures), %d files, %d hits (100,000)\n",
              cliStatus, last10.searched, last10.hits, last100k.searched, last100k.hits);

  JobsScaling(launcher, root, rounds, false);
  if (coldRounds > 0) JobsScaling(launcher, root, coldRounds, true);

  platform::RemoveFile(home + "Vorlet.dat");
  platform::RemoveFile(home + "Vorlet.dat.lock");
  rmdir(homeTemplate);
  return cliStatus == 1 && last10.hits == last100k.hits && last10.hits > 0 ? 0 : 1;
}
