// Trees built to trip a search up: link loops, FIFOs, sockets and devices under names the
// patterns take, a tree 2,000 folders deep, names no Windows code page can hold, files
// around the block size, entries swapped between listing and opening. Each is searched
// with automatic processing on; none may hang, crash or touch a file other than a hit the
// log records.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "faults/FaultTestSupport.h"
#include "platform/Encoding.h"
#include "platform/Faults.h"
#include "settings/LogFormat.h"
#include "support/TempDir.h"

namespace {

using engine_test::Content;
using fault_test::Watchdog;
using platform::faults::Call;
using namespace std::chrono_literals;

class HostileTreeTest : public ::testing::Test {
 protected:
  std::string Tree(const std::string& relative = "") const { return run_.treeFolder + "/" + relative; }
  void Snapshot() { before_ = fault_test::SnapshotTree(dir_.path()); }
  // Files lost or changed beyond what the recorded hits say was done to them.
  size_t LostOrChanged(const char* what) const {
    std::vector<std::string> report;
    const size_t n = fault_test::CountDifferences(run_.ExpectedAfter(before_), fault_test::SnapshotTree(dir_.path()),
                                                  &report);
    std::printf("hostile tree, %s: %zu hits, files lost or changed outside a logged action: %zu\n", what,
                run_.Hits().size(), n);
    for (const std::string& line : report) std::printf("  %s\n", line.c_str());
    return n;
  }

  testing_support::TempDir dir_;
  fault_test::ProcessingRun run_{dir_.path()};
  fault_test::TreeSnapshot before_;
  platform::faults::Scope faults_;
  const std::string evil_ = Content(500, 5);
};

// Links back up the tree, to itself and round in a circle: no folder is entered twice.
TEST_F(HostileTreeTest, FolderLinkLoopsEndTheWalk) {
  dir_.Write("tree/a/x.exe", evil_);
  dir_.Write("tree/a/b/y.exe", evil_);
  ASSERT_EQ(symlink(Tree().c_str(), Tree("a/up").c_str()), 0);
  ASSERT_EQ(symlink("../..", Tree("a/b/upup").c_str()), 0);
  ASSERT_EQ(symlink("self", Tree("self").c_str()), 0);
  ASSERT_EQ(symlink("ring2", Tree("ring1").c_str()), 0);
  ASSERT_EQ(symlink("ring1", Tree("ring2").c_str()), 0);
  run_.AddSignatureFor(evil_);
  run_.SetMode(kModeRename);
  Snapshot();
  {
    Watchdog watchdog(2s, "a search over link loops");
    EXPECT_TRUE(run_.Search());
  }
  EXPECT_EQ(run_.Hits().size(), 2u);
  EXPECT_EQ(run_.HitsWithResult(kResultRenamed), 2);
  EXPECT_EQ(LostOrChanged("link loops"), 0u);
}

// Entries whose names the pattern takes but which are no files: never opened, so never
// waited on, never counted, never processed.
TEST_F(HostileTreeTest, FifosSocketsAndDevicesAreNeverOpened) {
  ASSERT_EQ(mkfifo(Tree("fifo.exe").c_str(), 0644), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = Tree("sock.exe");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  for (const char* device : {"/dev/zero", "/dev/null", "/dev/urandom", "/dev/tty", "/dev/stdin"}) {
    ASSERT_EQ(symlink(device, Tree(std::string(device + 5) + ".exe").c_str()), 0);
  }
  ASSERT_EQ(symlink(Tree("fifo.exe").c_str(), Tree("fifolink.exe").c_str()), 0);
  dir_.Write("tree/real.exe", evil_);
  run_.AddSignatureFor(evil_);
  run_.AddSignatureFor(std::string(257, '\0'), "zeros");  // what /dev/zero would give
  run_.SetMode(kModeDelete);
  Snapshot();
  {
    Watchdog watchdog(2s, "a search over FIFOs, sockets and devices");
    EXPECT_TRUE(run_.Search("*.exe"));
  }
  close(sock);
  ASSERT_EQ(run_.Hits().size(), 1u);
  EXPECT_EQ(run_.Hits()[0].FileName(), "real.exe");
  EXPECT_EQ(run_.results.Counts().searched, 1);
  EXPECT_EQ(LostOrChanged("FIFOs, sockets, devices"), 0u);
}

// Listed as a plain file, then swapped for a FIFO or a link to a device before the search
// opens it: the open never blocks, and the entry is reported as not read.
TEST_F(HostileTreeTest, FileSwappedForAFifoOrDeviceAfterListingIsNotRead) {
  struct Swap {
    const char* what;
    std::function<void(const std::string&)> make;
  } swaps[] = {
      {"fifo", [](const std::string& path) { mkfifo(path.c_str(), 0644); }},
      {"link to /dev/zero", [](const std::string& path) { symlink("/dev/zero", path.c_str()); }},
      {"folder", [](const std::string& path) { mkdir(path.c_str(), 0755); }},
  };
  run_.AddSignatureFor(std::string(257, '\0'), "zeros");
  run_.SetMode(kModeDelete);
  for (const Swap& swap : swaps) {
    SCOPED_TRACE(swap.what);
    const std::string path = dir_.Write("tree/x.exe", std::string(257, '\0'));
    platform::faults::Reset();
    platform::faults::Before(Call::Open, "tree/x.exe", [&] {
      unlink(path.c_str());
      swap.make(path);
    });
    run_.problems = engine_test::RecordingProblems{};
    {
      Watchdog watchdog(2s, std::string("a search meeting a file swapped for a ") + swap.what);
      EXPECT_TRUE(run_.Search());
    }
    EXPECT_EQ(run_.Hits().size(), 0u);
    ASSERT_EQ(run_.problems.files.size(), 1u);
    struct stat st;
    EXPECT_EQ(lstat(path.c_str(), &st), 0);  // still there, not processed
    if (S_ISDIR(st.st_mode)) rmdir(path.c_str());
    else unlink(path.c_str());
  }
}

// Listed as a link to a file, then turned towards a FIFO before the search opens it: what
// the link leads to is looked at first, and a FIFO or device behind it is never opened
// (opening one can act on it, as a watchdog or a tape drive does).
TEST_F(HostileTreeTest, LinkTurnedTowardsAFifoAfterListingIsNeverOpened) {
  dir_.Write("tree/real.dat", "plain");
  ASSERT_EQ(symlink("real.dat", Tree("x.exe").c_str()), 0);
  ASSERT_EQ(mkfifo(Tree("pipe").c_str(), 0644), 0);
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, Tree("pipe").c_str(), IN_OPEN), 0);
  platform::faults::Before(Call::Open, "tree/x.exe", [&] {
    unlink(Tree("x.exe").c_str());
    symlink("pipe", Tree("x.exe").c_str());
  });
  {
    Watchdog watchdog(2s, "a search meeting a link turned towards a FIFO");
    EXPECT_TRUE(run_.Search());
  }
  EXPECT_EQ(run_.Hits().size(), 0u);
  ASSERT_EQ(run_.problems.files.size(), 1u);
  EXPECT_EQ(run_.problems.files[0].error, EINVAL);
  char event[sizeof(inotify_event) + 256];
  EXPECT_LT(read(watch, event, sizeof event), 0) << "the FIFO was opened";
  close(watch);
}

// Deeper than any real tree: the walk neither overflows its stack nor gives up, and the
// hits at the bottom are processed like any other.
TEST_F(HostileTreeTest, TreeTwoThousandFoldersDeep) {
  constexpr int kDepth = 2000;
  std::string folder = Tree();
  folder.pop_back();
  for (int level = 0; level < kDepth; ++level) {
    folder += "/d";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0) << level;
    if (level % 500 == 499 || level == kDepth - 1) dir_.Write(folder.substr(dir_.path().size() + 1) + "/x.exe", evil_);
  }
  run_.AddSignatureFor(evil_);
  run_.SetMode(kModeRename);
  Snapshot();
  {
    Watchdog watchdog(30s, "a search 2,000 folders deep");
    EXPECT_TRUE(run_.Search());
  }
  EXPECT_TRUE(run_.problems.folders.empty());
  EXPECT_EQ(run_.Hits().size(), 4u);
  EXPECT_EQ(run_.HitsWithResult(kResultRenamed), 4);
  EXPECT_EQ(LostOrChanged("2,000 folders deep"), 0u);
  fault_test::RemoveTree(run_.treeFolder);
}

// Deeper than the walk goes (4,096 levels below the target, twice what the path limit let
// it reach before): every level down to it is searched and its hits processed, the folder
// below it is told as not listed, so the search is not clean, and nothing overflows.
TEST_F(HostileTreeTest, TreeDeeperThanTheWalkGoesIsToldNotListed) {
  constexpr int kDeepest = 4096;
  int fd = open(Tree().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int level = 1; fd >= 0 && level <= kDeepest + 2; ++level) {
    mkdirat(fd, "d", 0755);
    const int next = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    close(fd);
    fd = next;
    if (level % 1024 == 0 || level == kDeepest + 1) {
      const int file = openat(fd, "x.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
      ASSERT_EQ(write(file, evil_.data(), evil_.size()), static_cast<ssize_t>(evil_.size()));
      close(file);
    }
  }
  ASSERT_GE(fd, 0);
  close(fd);
  run_.AddSignatureFor(evil_);
  run_.SetMode(kModeRename);
  {
    Watchdog watchdog(60s, "a search 4,098 folders deep");
    EXPECT_TRUE(run_.Search());
  }
  EXPECT_EQ(run_.Hits().size(), 4u);
  EXPECT_EQ(run_.HitsWithResult(kResultRenamed), 4);
  ASSERT_EQ(run_.problems.folders.size(), 1u);
  EXPECT_EQ(run_.problems.folders[0].error, ENAMETOOLONG);
  // Removed by a tool that walks by descriptor, as paths this long need.
  EXPECT_EQ(std::system(("rm -rf '" + Tree() + "d'").c_str()), 0);
}

// Names a Windows program never met: bytes that are no UTF-8, control characters, and
// characters CP932 has no code for. Each is found, read, renamed or moved under its own
// bytes, and named in the log.
TEST_F(HostileTreeTest, NamesNoCodePageCanHold) {
  const std::string names[] = {
      "\xff\xfe.exe",          // no UTF-8 at all
      "half\xc3.exe",          // a cut sequence
      "line\nbreak.exe",       // newline
      "cr\rlf\n.exe",          // CR and LF
      "tab\there.exe",         // TAB, the log's field separator
      "caf\xc3\xa9.exe",       // é: not in CP932
      "\xf0\x9f\x98\x80.exe",  // an emoji
      "\xe2\x82\xac.exe",      // the euro sign
      "back\\slash.exe",       // a Windows separator, a plain byte here
      "\xe8\xa1\xa8.exe",      // 表: CP932 holds it (its second byte is a backslash)
      "\xef\xbd\x9e.exe",      // fullwidth tilde, which round-trips to another character
  };
  for (int32_t mode : {kModeRename, kModeMove}) {
    SCOPED_TRACE(mode);
    fault_test::RemoveTree(run_.treeFolder);
    fault_test::RemoveTree(run_.moveFolder);
    mkdir(run_.treeFolder.c_str(), 0755);
    mkdir(run_.moveFolder.c_str(), 0755);
    for (size_t i = 0; i < std::size(names); ++i) {
      const std::string content = Content(300, static_cast<int>(i) + 10);
      std::FILE* f = std::fopen(Tree(names[i]).c_str(), "wb");
      ASSERT_NE(f, nullptr) << names[i];
      std::fwrite(content.data(), 1, content.size(), f);
      std::fclose(f);
      run_.AddSignatureFor(content, "sig" + std::to_string(i));
    }
    run_.SetMode(mode);
    Snapshot();
    EXPECT_TRUE(run_.Search());
    const std::string log = run_.WriteLog();
    EXPECT_EQ(run_.Hits().size(), std::size(names));
    EXPECT_EQ(run_.HitsWithResult(static_cast<ProcessResult>(mode)), static_cast<int>(std::size(names)));
    for (const DetectedFile& hit : run_.Hits()) {
      // A name's control characters are escaped there, so each hit stays one line.
      EXPECT_NE(log.find(EscapeControlCharacters(hit.FileName())), std::string::npos) << hit.PathText();
      EXPECT_EQ(log.find(hit.SignatureName()) != std::string::npos, true);
    }
    unlink((dir_.path() + "/search.log").c_str());
    EXPECT_EQ(LostOrChanged(mode == kModeRename ? "odd names, renamed" : "odd names, moved"), 0u);
  }
}

// Around the block (bytes 0..256): an empty file has nothing to compare; 257 bytes and
// more give the same fingerprint whatever follows.
TEST_F(HostileTreeTest, FilesAroundTheBlockSize) {
  const std::string block = Content(258, 7);
  for (size_t size : {size_t{0}, size_t{1}, size_t{256}, size_t{257}, size_t{258}}) {
    dir_.Write("tree/s" + std::to_string(size) + ".exe", block.substr(0, size));
    if (size > 0) run_.AddSignatureFor(block.substr(0, size), "size" + std::to_string(size));
  }
  dir_.Write("tree/t258.exe", block.substr(0, 257) + "x");  // differs after the block only
  run_.SetMode(kModeDelete);
  Snapshot();
  EXPECT_TRUE(run_.Search());
  std::map<std::string, std::string> hits;
  for (const DetectedFile& hit : run_.Hits()) hits[hit.FileName()] = hit.SignatureName();
  const std::map<std::string, std::string> expected{{"s1.exe", "size1"},
                                                    {"s256.exe", "size256"},
                                                    {"s257.exe", "size257"},
                                                    {"s258.exe", "size257"},
                                                    {"t258.exe", "size257"}};
  EXPECT_EQ(hits, expected);
  EXPECT_EQ(run_.HitsWithResult(kResultDeleted), 5);
  EXPECT_EQ(run_.results.Counts().searched, 6);
  EXPECT_EQ(LostOrChanged("files of 0 to 258 bytes"), 0u);
}

}  // namespace
