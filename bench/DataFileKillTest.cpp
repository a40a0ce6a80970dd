// Kills a data file save at random moments and checks what it leaves: a child process
// saves a store of 10,000 records over the data file (the other of two versions each
// time), the parent kills it with SIGKILL, then reads the file. It must hold exactly the
// old version or exactly the new one, byte for byte, and load completely; a killed save
// may leave its temporary file beside it, which is counted and removed. Run by
// tools/kill-test.
//
// Most of a save is spent building the content in memory, and only the end of it writes,
// syncs and renames. So every other kill lands anywhere in the whole save, and the others
// anywhere in that last part: from the moment the temporary file appears (inotify) until
// a little after the rename.
//
//   DataFileKillTest [-n KILLS] [-r RECORDS] [-s SEED] [FOLDER]
//     defaults: 1000 kills, 10000 records, seed from the clock, a new folder under /tmp
//
// Exit status 0 when every kill left the old or the new file, 1 otherwise, 2 on bad use.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "db/InvalFileDB.h"
#include "platform/FileSystem.h"

namespace {

namespace fs = std::filesystem;

struct Options {
  int kills = 1000;
  int records = 10000;
  unsigned long long seed = 0;
  std::string folder;
};

bool ParseOptions(int argc, char** argv, Options* options) {
  options->seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "-n" || arg == "-r" || arg == "-s") && i + 1 < argc) {
      const unsigned long long value = std::strtoull(argv[++i], nullptr, 10);
      if (arg == "-n") options->kills = static_cast<int>(value);
      if (arg == "-r") options->records = static_cast<int>(value);
      if (arg == "-s") options->seed = value;
    } else if (!arg.empty() && arg[0] != '-' && options->folder.empty()) {
      options->folder = arg;
    } else {
      return false;
    }
  }
  return options->kills > 0 && options->records > 0;
}

// Version 0 and version 1 differ in every record's summary and search bytes and in the
// number of records, so neither can pass for the other or for a mix of both.
void Fill(InvalFileDB& store, int records, int version) {
  std::mt19937_64 rng(1000 + static_cast<unsigned>(version));
  const int count = records + version;
  for (int i = 0; i < count; ++i) {
    uint8_t bytes[16];
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    auto record = std::make_shared<InvalFileInfo>();
    record->SetFromBytes("name" + std::to_string(i), "cat" + std::to_string(i % 16), "high", OleDate{37000.5, 0},
                         "author", bytes, sizeof bytes,
                         "summary " + std::to_string(i) + " of version " + std::to_string(version));
    store.Add(record);
  }
}

std::string ReadBytes(const std::string& path) {
  std::string bytes;
  platform::ReadWholeFile(path, &bytes);
  return bytes;
}

// Temporaries a killed save left in the folder; removed.
int RemoveLeftovers(const std::string& folder) {
  int n = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name != "Vorlet.dat") {
      ++n;
      fs::remove(entry.path());
    }
  }
  return n;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Reads the folder's events until one with mask comes; false after timeoutMs without.
bool WaitForEvent(int inotify, uint32_t mask, int timeoutMs) {
  alignas(inotify_event) char buffer[4096];
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const ssize_t n = read(inotify, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & mask) return true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{inotify, POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left.count()));
  }
}

void DrainEvents(int inotify) {
  char buffer[4096];
  while (read(inotify, buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::fprintf(stderr, "usage: DataFileKillTest [-n KILLS] [-r RECORDS] [-s SEED] [FOLDER]\n");
    return 2;
  }
  if (options.folder.empty()) {
    char pattern[] = "/tmp/vorlet-kill-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 2;
    options.folder = pattern;
  }
  fs::create_directories(options.folder);
  const std::string folder = options.folder + "/";
  const std::string dataFile = folder + "Vorlet.dat";

  // Both versions' exact bytes, as a save that ran to its end writes them.
  InvalFileDB stores[2];
  std::string bytes[2];
  for (int v = 0; v < 2; ++v) {
    Fill(stores[v], options.records, v);
    if (!stores[v].Save(folder)) {
      std::fprintf(stderr, "kill-test: cannot save into %s\n", folder.c_str());
      return 2;
    }
    bytes[v] = ReadBytes(dataFile);
  }

  const int inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify < 0 || inotify_add_watch(inotify, options.folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) return 2;

  // How long a whole save takes from fork to exit, and its writing part from the
  // temporary's creation to the rename, so that the kills spread over both.
  constexpr int kCalibrationSaves = 5;
  std::chrono::steady_clock::duration saveTime{}, writeTime{};
  for (int i = 0; i < kCalibrationSaves; ++i) {
    DrainEvents(inotify);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) _exit(stores[i % 2].Save(folder) ? 0 : 1);
    WaitForEvent(inotify, IN_CREATE, 10000);
    const auto created = std::chrono::steady_clock::now();
    WaitForEvent(inotify, IN_MOVED_TO, 10000);
    writeTime += std::chrono::steady_clock::now() - created;
    int status = 0;
    waitpid(child, &status, 0);
    saveTime += std::chrono::steady_clock::now() - start;
  }
  saveTime /= kCalibrationSaves;
  writeTime /= kCalibrationSaves;
  auto windowOf = [](std::chrono::steady_clock::duration d) {
    return std::max<long long>(1, std::chrono::duration_cast<std::chrono::microseconds>(d).count() * 6 / 5);
  };
  const long long saveWindow = windowOf(saveTime);
  const long long writeWindow = windowOf(writeTime);
  int current = stores[0].Save(folder) ? 0 : -1;
  if (current < 0 || ReadBytes(dataFile) != bytes[0]) return 2;

  std::mt19937_64 rng(options.seed);
  int heldOld = 0, heldNew = 0, heldNeither = 0, loadFailures = 0, leftovers = 0, finishedBeforeKill = 0;
  for (int kill = 0; kill < options.kills; ++kill) {
    const int next = 1 - current;
    const bool inWriting = kill % 2 == 1;
    const long long window = inWriting ? writeWindow : saveWindow;
    const long long delay = static_cast<long long>(rng() % static_cast<unsigned long long>(window));
    DrainEvents(inotify);
    const pid_t child = fork();
    if (child < 0) return 2;
    if (child == 0) _exit(stores[next].Save(folder) ? 0 : 1);
    if (inWriting) WaitForEvent(inotify, IN_CREATE, 10000);
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    ::kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status)) ++finishedBeforeKill;

    const std::string now = ReadBytes(dataFile);
    if (now == bytes[next]) {
      ++heldNew;
      current = next;
    } else if (now == bytes[current]) {
      ++heldOld;
    } else {
      ++heldNeither;
      std::fprintf(stderr, "kill %d after %lld us: the data file is neither version (%zu bytes)\n", kill, delay,
                   now.size());
      if (!stores[current].Save(folder)) return 1;
    }
    InvalFileDB loaded;
    if (!loaded.Load(folder) || loaded.RecordCount() != options.records + current) ++loadFailures;
    leftovers += RemoveLeftovers(options.folder);
  }

  const long long lost = heldNeither;
  std::printf("kill-test: %d kills of a save of %d records (seed %llu)\n", options.kills, options.records,
              options.seed);
  std::printf("  one save %.1f ms, its writing part %.2f ms; half the kills anywhere in the save, half in "
              "its writing part\n",
              Seconds(saveTime) * 1000.0, Seconds(writeTime) * 1000.0);
  std::printf("  file held the old version: %d, the new version: %d, neither: %d\n", heldOld, heldNew, heldNeither);
  std::printf("  saves that had finished before the kill: %d\n", finishedBeforeKill);
  std::printf("  loads that failed or missed records: %d\n", loadFailures);
  std::printf("  temporary files left by killed saves (removed): %d\n", leftovers);
  std::printf("  data files whose previous bytes were lost: %lld\n", lost);
  fs::remove_all(options.folder);
  return heldNeither == 0 && loadFailures == 0 ? 0 : 1;
}
