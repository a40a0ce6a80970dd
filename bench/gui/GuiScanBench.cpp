// The desktop program's search against the command line's, side by side in one run: the
// same tree, the same signatures, the same engine. The desktop program runs offscreen with
// its live counters, rows and status text; its time runs from the press of 全検索 to the
// end of the search (the idle driver's FinishSearch). vorlet-scan's time is its whole run.
// Rounds alternate; the medians are compared.
//
//   GuiScanBench [TREE_ROOT] [--scan PATH_OF_VORLET_SCAN] [--rounds N] [--cold-rounds N]
//                [--shot PNG] [--planted N | --all-hits]
//   GuiScanBench --editor [--records N] [--rounds N]
//
// Without --planted the run measures two trees, one after the other: the usual one with 50
// hits, and one where every file is a hit (the result list at its largest). --planted sets
// how many files are hits and measures that tree alone (--all-hits: every file); a number
// other than 50 gives its own tree, beside the default one unless TREE_ROOT is given.
// --cold-rounds (3 by default; 0 for none) adds rounds on a cold cache, over the first tree
// measured: before every run the page cache is dropped (as root; skipped with a note
// otherwise), and both programs are held against the one-thread bare loop and the parallel
// reference (find | xargs -P 32 head), as a user's first search of a folder meets the disk.
// The desktop program's cache is dropped after it started, just before the press.
// --shot saves the main window as it stands at the end of the last desktop round.
//
// --editor times the database editor over a store of N records (100,000 by default):
// building and first painting the form, scrolling it page by page and by jumps of the
// scroll bar (the slowest step is the stutter a user would feel), and adding, modifying
// and deleting a record through its buttons.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "db/InvalFileDB.h"
#include "engine/Md5.h"
#include "support/BareLoop.h"
#include "support/ColdCache.h"
#include "support/Rounds.h"
#include "support/TreeGenerator.h"
#include "ui/AppContext.h"
#include "ui/CDInvalFileDB.h"
#include "ui/CDScanResult.h"
#include "ui/CDScanTarget.h"
#include "ui/CListCtrEx.h"
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
  // What the parent has buffered must not come out a second time through the child.
  std::fflush(stdout);
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
              const std::string& shot, bool cold = false) {
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
  if (cold) bench::DropCaches();
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
  // Every hit must be listed, or the time would flatter the list.
  auto* result = app.Frame()->FormAs<CDScanResult>(kFormResult);
  const int rows = result != nullptr ? result->List()->ItemCount() : -1;
  if (rows != *hits) {
    std::fprintf(stderr, "%d hits but %d rows listed\n", *hits, rows);
    std::exit(1);
  }
  if (!shot.empty()) app.Frame()->grab().save(QString::fromStdString(shot));
  // Nothing of the bench may reach the program folder's settings between rounds.
  form->OnDeleteFolder();
  app.ExitInstance(0);
  return timing;
}

// Rounds on a cold cache: the bare loop, the parallel reference and both programs, each from
// a dropped cache, in alternating order; the medians against the bare loop's.
void MeasureCold(QApplication& qapp, const std::string& tree, const std::string& scan, const std::string& home,
                 int rounds) {
  std::printf("cold cache, %d rounds, medians of wall seconds\n", rounds);
  if (!bench::DropCaches()) {
    std::printf("    %s\n\n", bench::kColdSkipped);
    return;
  }
  std::vector<double> bare, reference, cli, gui;
  int hits = 0;
  // The desktop program's cache is dropped once more after it started, before the press.
  const std::vector<std::function<void()>> steps = {
      [&] { bare.push_back(bench::TimeBareLoop(tree)); },
      [&] { reference.push_back(bench::RunParallelReference(tree)); },
      [&] { cli.push_back(RunCli(scan, home, tree).wall); },
      [&] { gui.push_back(RunGui(qapp, home, tree, &hits, std::string(), true).wall); },
  };
  bench::RunRounds(rounds, steps, true, [&](int round) {
    std::printf("round %d: bare loop %.3f s, parallel reference %.3f s, vorlet-scan %.3f s, desktop %.3f s, %d hits\n",
                round, bare.back(), reference.back(), cli.back(), gui.back(), hits);
    std::fflush(stdout);
  });
  const double base = Median(bare);
  const auto line = [base](const char* what, double seconds, const char* target) {
    std::printf("    %-50s %8.3fs %7.3f%s\n", what, seconds, seconds / base, target);
  };
  line("bare loop, one thread (A)", base, "");
  line("find | xargs -0 -P 32 -n 200 head -q -c 257", Median(reference), "");
  line("vorlet-scan -q", Median(cli), "   target <= 0.30");
  line("desktop program (press of the search to its end)", Median(gui), "");
  std::printf("    desktop / vorlet-scan %.3f\n\n", Median(gui) / Median(cli));
  std::fflush(stdout);
}

// One tree: rounds of both programs, alternating, then the medians; then the cold rounds.
void MeasureTree(QApplication& qapp, std::string tree, const std::string& scan, const bench::TreeSpec& spec,
                 int rounds, const std::string& shot, int coldRounds) {
  if (tree.empty()) {
    tree = "/tmp/vorlet-bench-tree";
    if (spec.planted != bench::TreeSpec().planted) tree += "-hits" + std::to_string(spec.planted);
  }
  std::printf("tree %s: %d files, %d of them hits\n", tree.c_str(), spec.files, spec.planted);
  if (!bench::TreeIsCurrent(tree, spec)) {
    std::printf("generating %d files below %s ...\n", spec.files, tree.c_str());
    bench::GeneratedTree generated;
    if (!bench::GenerateTree(tree, spec, &generated)) std::exit(1);
  }
  std::string home = MakeHome(spec);
  RunCli(scan, home, tree);  // warms the cache

  std::vector<Timing> cli, gui;
  int hits = 0;
  const std::vector<std::function<void()>> steps = {
      [&] { cli.push_back(RunCli(scan, home, tree)); },
      [&] { gui.push_back(RunGui(qapp, home, tree, &hits, gui.size() + 1 == static_cast<size_t>(rounds) ? shot : std::string())); },
  };
  bench::RunRounds(rounds, steps, false, [&](int round) {
    std::printf("round %d: vorlet-scan %.3f s (cpu %.3f), desktop %.3f s (cpu %.3f; walk %.3f s, cpu %.3f), %d hits\n",
                round, cli.back().wall, cli.back().cpu, gui.back().wall, gui.back().cpu, gui.back().walkWall,
                gui.back().walkCpu, hits);
    std::fflush(stdout);
  });
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
  std::printf("desktop walk alone: %.3f s (ratio to vorlet-scan %.3f), cpu %.3f s (ratio %.3f)\n\n", ww, ww / cw, wc,
              wc / cc);
  std::fflush(stdout);
  if (coldRounds > 0) MeasureCold(qapp, tree, scan, home, coldRounds);
  std::filesystem::remove_all(home);
}

// A program folder whose data file holds n records over a few categories.
std::string MakeEditorHome(int n) {
  std::string home = std::filesystem::temp_directory_path().string() + "/vorlet-guibench-editor";
  std::filesystem::remove_all(home);
  std::filesystem::create_directories(home);
  InvalFileDB store;
  for (int i = 0; i < n; ++i) {
    uint8_t digest[16] = {};
    for (int b = 0; b < 4; ++b) digest[b] = static_cast<uint8_t>(i >> (8 * b));
    char name[32];
    std::snprintf(name, sizeof name, "record%06d", i);
    auto record = std::make_shared<InvalFileInfo>();
    record->SetFromBytes(name, "category" + std::to_string(i % 10), "", OleDate{45000.5, 0}, "bench", digest, 16,
                         "");
    store.Add(record);
  }
  store.Save(home + "/");
  return home;
}

// Runs the events a user action left behind, paints included; the seconds it all took.
template <class Action>
double Timed(QWidget* window, Action action) {
  QElapsedTimer timer;
  timer.start();
  action();
  if (window != nullptr) window->repaint();
  QCoreApplication::processEvents();
  return timer.nsecsElapsed() / 1e9;
}

struct Figures {
  std::vector<double> values;
  void Add(double seconds) { values.push_back(seconds * 1000); }
  void Print(const char* what) const {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    std::printf("  %-34s median %8.2f ms, slowest %8.2f ms (%zu times)\n", what, sorted[sorted.size() / 2],
                sorted.back(), sorted.size());
  }
};

void MeasureEditor(QApplication& qapp, int records, int rounds) {
  std::printf("database editor over %d records (%d rounds)\n", records, rounds);
  std::fflush(stdout);
  const std::string home = MakeEditorHome(records);
  CMainApp app(qapp);
  if (!app.InitInstance(home)) {
    std::fprintf(stderr, "the desktop program did not start\n");
    std::exit(1);
  }
  AppContext* ctx = app.Context();
  std::printf("  %d records loaded\n", ctx->store.RecordCount());
  Figures open, page, jump, add, modify, remove;
  for (int round = 0; round < rounds; ++round) {
    CDInvalFileDB* form = nullptr;
    open.Add(Timed(nullptr, [&] {
      form = new CDInvalFileDB(*ctx);
      form->resize(app.Frame()->FormSize());
      form->show();
      form->repaint();
    }));
    CListCtrEx* list = form->List();
    list->setFocus();
    QCoreApplication::processEvents();
    for (int i = 0; i < 40; ++i) {
      page.Add(Timed(form, [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
      }));
    }
    QScrollBar* bar = list->verticalScrollBar();
    for (int i = 0; i < 40; ++i) {
      const int value = static_cast<int>((static_cast<long long>(bar->maximum()) * ((i * 37) % 40)) / 39);
      jump.Add(Timed(form, [&] { bar->setValue(value); }));
    }
    auto button = [form](int id) { return form->findChild<QAbstractButton*>(QString::number(id)); };
    auto edit = [form](int id) { return form->findChild<QLineEdit*>(QString::number(id)); };
    for (int i = 0; i < 3; ++i) {
      button(CDInvalFileDB::kIdAdd)->click();
      edit(CDInvalFileDB::kIdName)->setText(QStringLiteral("added%1-%2").arg(round).arg(i));
      edit(CDInvalFileDB::kIdSearchText)->setText(QStringLiteral("%1").arg(round * 10 + i + 1, 32, 16, QLatin1Char('F')));
      add.Add(Timed(form, [&] { button(CDInvalFileDB::kIdAdd)->click(); }));
    }
    for (int i = 0; i < 3; ++i) {
      list->SelectRow(records / 2 + i * 1000);
      button(CDInvalFileDB::kIdModify)->click();
      edit(CDInvalFileDB::kIdName)->setText(QStringLiteral("modified%1-%2").arg(round).arg(i));
      modify.Add(Timed(form, [&] { button(CDInvalFileDB::kIdModify)->click(); }));
    }
    for (int i = 0; i < 3; ++i) {
      list->SelectRow(records / 3 + i * 1000);
      remove.Add(Timed(form, [&] { button(CDInvalFileDB::kIdDelete)->click(); }));
    }
    delete form;
  }
  open.Print("open (build, show, first paint)");
  page.Print("scroll one page (PageDown)");
  jump.Print("scroll bar jump");
  add.Print("add");
  modify.Print("modify");
  remove.Print("delete");
  app.ExitInstance(0);
  std::filesystem::remove_all(home);
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string tree;  // given, or the default one for the tree layout in use
  std::string scan = std::filesystem::path(argv[0]).parent_path().string() + "/vorlet-scan";
  int rounds = 5;
  int coldRounds = 3;
  std::string shot;
  bench::TreeSpec spec;
  bool plantedGiven = false;
  bool editor = false;
  int records = 100000;
  std::vector<char*> qtArgs{argv[0]};
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--scan" && i + 1 < argc) scan = argv[++i];
    else if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--cold-rounds" && i + 1 < argc) coldRounds = std::max(0, std::atoi(argv[++i]));
    else if (arg == "--shot" && i + 1 < argc) shot = argv[++i];
    else if (arg == "--planted" && i + 1 < argc) {
      spec.planted = std::clamp(std::atoi(argv[++i]), 0, spec.files);
      plantedGiven = true;
    } else if (arg == "--all-hits") {
      spec.planted = spec.files;
      plantedGiven = true;
    } else if (arg == "--editor") {
      editor = true;
    } else if (arg == "--records" && i + 1 < argc) {
      records = std::max(1, std::atoi(argv[++i]));
    } else {
      tree = arg;
    }
  }
  int qtArgc = 1;
  QApplication qapp(qtArgc, qtArgs.data());

  if (editor) {
    MeasureEditor(qapp, records, rounds);
    return 0;
  }
  if (plantedGiven) {
    MeasureTree(qapp, tree, scan, spec, rounds, shot, coldRounds);
    return 0;
  }
  MeasureTree(qapp, tree, scan, spec, rounds, std::string(), coldRounds);
  bench::TreeSpec allHits = spec;
  allHits.planted = allHits.files;
  MeasureTree(qapp, tree.empty() ? std::string() : tree + "-all-hits", scan, allHits, rounds, shot, 0);
  return 0;
}
