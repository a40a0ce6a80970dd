// The desktop program's search against the command line's, side by side in one run: the
// same tree, the same signatures, the same engine. The desktop program runs offscreen with
// its live counters, rows and status text; its time runs from the press of 全検索 to the
// end of the search (the idle driver's FinishSearch). vorlet-scan's time is its whole run.
// Rounds alternate; the medians are compared.
//
//   GuiScanBench [TREE_ROOT] [--scan PATH_OF_VORLET_SCAN] [--rounds N] [--shot PNG]
//                [--planted N]
//
// --planted sets how many files of the tree are hits (50 by default); another number
// gives its own tree, beside the default one unless TREE_ROOT is given.
// --shot saves the main window as it stands at the end of the last desktop round.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "db/InvalFileDB.h"
#include "engine/Md5.h"
#include "support/TreeGenerator.h"
#include "ui/AppContext.h"
#include "ui/CDScanTarget.h"
#include "ui/CMainApp.h"
#include "ui/DialogHooks.h"

namespace {

struct Timing {
  double wall = 0;
  double cpu = 0;  // user + system
  double walkWall = 0;  // the desktop program's walk alone, without arming and finishing
  double walkCpu = 0;
};

double CpuSeconds(const struct rusage& usage) {
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A program folder with the known samples as signatures and default settings.
std::string MakeHome(const bench::TreeSpec& spec) {
  std::string home = std::filesystem::temp_directory_path().string() + "/vorlet-guibench-home";
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home);
  InvalFileDB store;
  int n = 0;
  for (const std::string& sample : bench::SampleContents(spec)) {
    uint8_t digest[16];
    Md5Digest(sample.data(), std::min<size_t>(sample.size(), 257), digest);
    auto record = std::make_shared<InvalFileInfo>();
    record->SetFromBytes("sample" + std::to_string(n++), "Bench", "", OleDate{45000.5, 0}, "", digest, 16, "");
    store.Add(record);
  }
  store.Save(home + "/");
  return home;
}

Timing RunCli(const std::string& scan, const std::string& home, const std::string& tree) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execl(scan.c_str(), scan.c_str(), "-q", "--home", home.c_str(), tree.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  Timing timing{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), CpuSeconds(usage)};
  if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) {
    std::fprintf(stderr, "vorlet-scan failed to run\n");
    std::exit(1);
  }
  return timing;
}

Timing RunGui(QApplication& qapp, const std::string& home, const std::string& tree, int* hits,
              const std::string& shot) {
  CMainApp app(qapp);
  if (!app.InitInstance(home)) {
    std::fprintf(stderr, "the desktop program did not start\n");
    std::exit(1);
  }
  AppContext* ctx = app.Context();
  auto* form = app.Frame()->FormAs<CDScanTarget>(kFormTarget);
  DialogHooks::QueueFolder(tree);
  form->OnAddFolder();

  struct rusage before {}, after {}, walkStart {}, walkEnd {};
  // The walk proper runs between the log folder check and the automatic log.
  QElapsedTimer timer, walkTimer;
  double walkWall = 0;
  auto check = ctx->driver.hooks().checkLogFolder;
  ctx->driver.hooks().checkLogFolder = [&] {
    bool ok = check();
    getrusage(RUSAGE_SELF, &walkStart);
    walkTimer.start();
    return ok;
  };
  auto writeLog = ctx->driver.hooks().writeAutoLog;
  ctx->driver.hooks().writeAutoLog = [&](const SearchRunInfo& run) {
    walkWall = walkTimer.nsecsElapsed() / 1e9;
    getrusage(RUSAGE_SELF, &walkEnd);
    writeLog(run);
  };
  getrusage(RUSAGE_SELF, &before);
  timer.start();
  form->OnSearchAll();
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (!ctx->engine.running) loop.quit();
  });
  poll.start(1);
  loop.exec();
  getrusage(RUSAGE_SELF, &after);
  Timing timing{timer.nsecsElapsed() / 1e9, CpuSeconds(after) - CpuSeconds(before), walkWall,
                CpuSeconds(walkEnd) - CpuSeconds(walkStart)};
  *hits = ctx->results.Counts().invalid;
  if (!shot.empty()) app.Frame()->grab().save(QString::fromStdString(shot));
  // Nothing of the bench may reach the program folder's settings between rounds.
  form->OnDeleteFolder();
  app.ExitInstance(0);
  return timing;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string tree;  // given, or the default one for the spec
  std::string scan = std::filesystem::path(argv[0]).parent_path().string() + "/vorlet-scan";
  int rounds = 5;
  std::string shot;
  bench::TreeSpec spec;
  std::vector<char*> qtArgs{argv[0]};
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--scan" && i + 1 < argc) scan = argv[++i];
    else if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--shot" && i + 1 < argc) shot = argv[++i];
    else if (arg == "--planted" && i + 1 < argc) spec.planted = std::clamp(std::atoi(argv[++i]), 0, spec.files);
    else tree = arg;
  }
  int qtArgc = 1;
  QApplication qapp(qtArgc, qtArgs.data());

  if (tree.empty()) {
    tree = "/tmp/vorlet-bench-tree";
    if (spec.planted != bench::TreeSpec().planted) tree += "-hits" + std::to_string(spec.planted);
  }
  if (!bench::TreeIsCurrent(tree, spec)) {
    std::printf("generating %d files below %s ...\n", spec.files, tree.c_str());
    bench::GeneratedTree generated;
    if (!bench::GenerateTree(tree, spec, &generated)) return 1;
  }
  std::string home = MakeHome(spec);
  RunCli(scan, home, tree);  // warms the cache

  std::vector<Timing> cli, gui;
  int hits = 0;
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      cli.push_back(RunCli(scan, home, tree));
      gui.push_back(RunGui(qapp, home, tree, &hits, round + 1 == rounds ? shot : std::string()));
    } else {
      gui.push_back(RunGui(qapp, home, tree, &hits, round + 1 == rounds ? shot : std::string()));
      cli.push_back(RunCli(scan, home, tree));
    }
    std::printf("round %d: vorlet-scan %.3f s (cpu %.3f), desktop %.3f s (cpu %.3f; walk %.3f s, cpu %.3f), %d hits\n",
                round + 1, cli.back().wall, cli.back().cpu, gui.back().wall, gui.back().cpu, gui.back().walkWall,
                gui.back().walkCpu, hits);
    std::fflush(stdout);
  }
  auto median = [](const std::vector<Timing>& runs, double Timing::*field) {
    std::vector<double> values;
    for (const Timing& t : runs) values.push_back(t.*field);
    return Median(values);
  };
  double cw = median(cli, &Timing::wall), gw = median(gui, &Timing::wall);
  double cc = median(cli, &Timing::cpu), gc = median(gui, &Timing::cpu);
  std::printf("median wall: vorlet-scan %.3f s, desktop program %.3f s, ratio %.3f (target <= 1.25)\n", cw, gw, gw / cw);
  std::printf("median cpu:  vorlet-scan %.3f s, desktop program %.3f s, ratio %.3f\n", cc, gc, gc / cc);
  double ww = median(gui, &Timing::walkWall), wc = median(gui, &Timing::walkCpu);
  std::printf("desktop walk alone: %.3f s (ratio to vorlet-scan %.3f), cpu %.3f s (ratio %.3f)\n", ww, ww / cw, wc,
              wc / cc);
  std::filesystem::remove_all(home);
  return 0;
}
