#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "db/FakeMatcher.h"
#include "db/InvalFileDB.h"
#include "support/TempDir.h"

using testing_support::TempDir;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out += static_cast<char>(v);
  return out;
}

std::string Int(uint32_t v) { return Bytes({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)}); }
std::string Text(const std::string& t) { return Int(static_cast<uint32_t>(t.size())) + t; }
const std::string kDate = Int(12) + std::string(12, '\0');

// One stored record: the name, category "C" (or the one given), empty texts and the given
// search part.
std::string RecordBytes(const std::string& name, const std::string& searchPart, const std::string& category = "C") {
  return Text(name) + Text(category) + Text("") + kDate + Text("") + searchPart + Text("");
}

std::vector<std::string> Keys(const InvalFileDB& db) {
  std::vector<std::string> keys;
  db.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) { keys.push_back(r->Category() + "/" + r->Name()); });
  return keys;
}

class InvalFileDBFileTest : public ::testing::Test {
 protected:
  std::string DataPath() const { return dir.folder() + "Vorlet.dat"; }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir.folder() + name); }
  // A store of n records over three categories, with CP932 texts and varied lengths.
  static void Fill(InvalFileDB& db, int n) {
    for (int i = 0; i < n; ++i) {
      auto r = std::make_shared<InvalFileInfo>();
      std::string hex = i % 3 == 0 ? "" : std::string(static_cast<size_t>(2 * (i % 5 + 14)), "0123456789abcdef"[i % 16]);
      r->SetFromText("\x83\x67\x83\x8D" + std::to_string(i), i % 3 == 0 ? "\x95\x5C" : i % 3 == 1 ? "A" : "\xB1",
                     "\x8D\x82", OleDate{37690.25 + i, i % 2}, i % 2 ? "author" : "", hex, "line\r\nline");
      ASSERT_TRUE(db.Add(r));
    }
  }

  TempDir dir;
};

TEST_F(InvalFileDBFileTest, OneRecordFileByteForByte) {
  const std::string expected = Bytes({0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x4E, 0x31, 0x02, 0x00, 0x00, 0x00,
                                      0x43, 0x31, 0x02, 0x00, 0x00, 0x00, 0x52, 0x31, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0x00, 0x00, 0x40, 0x67, 0xE2, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00});
  ASSERT_EQ(expected.size(), 56u);
  InvalFileDB db;
  auto record = std::make_shared<InvalFileInfo>();
  ASSERT_TRUE(record->SetFromText("N1", "C1", "R1", OleDate{37690.0, 0}, "", "00FF", ""));
  ASSERT_TRUE(db.Add(record));
  ASSERT_TRUE(db.Save(dir.folder()));
  EXPECT_EQ(dir.Read("Vorlet.dat"), expected);

  InvalFileDB loaded;
  EXPECT_TRUE(loaded.Load(dir.folder()));
  auto back = loaded.FindRecord("C1", "N1");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->RiskLevel(), "R1");
  EXPECT_EQ(back->CreatedDate(), (OleDate{37690.0, 0}));
  EXPECT_EQ(back->GetSearchText(), "00ff");
  EXPECT_EQ(loaded.RecordCount(), 1);
}

TEST_F(InvalFileDBFileTest, EmptyRecordStoresZeroLengths) {
  InvalFileDB db;
  ASSERT_TRUE(db.Add(std::make_shared<InvalFileInfo>()));
  ASSERT_TRUE(db.Save(dir.folder()));
  EXPECT_EQ(dir.Read("Vorlet.dat"), Int(1) + Int(0) + Int(0) + Int(0) + kDate + Int(0) + Int(0) + Int(0));
}

TEST_F(InvalFileDBFileTest, EveryFieldSurvivesSaveAndLoad) {
  InvalFileDB db;
  Fill(db, 12);
  ASSERT_TRUE(db.Save(dir.folder()));
  InvalFileDB loaded;
  ASSERT_TRUE(loaded.Load(dir.folder()));
  ASSERT_EQ(Keys(loaded), Keys(db));
  db.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) {
    auto back = loaded.FindRecord(r->Category(), r->Name());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->RiskLevel(), r->RiskLevel());
    EXPECT_EQ(back->CreatedDate(), r->CreatedDate());
    EXPECT_EQ(back->Author(), r->Author());
    EXPECT_EQ(back->GetSearchText(), r->GetSearchText());
    EXPECT_EQ(back->Summary(), r->Summary());
  });
}

struct DamagedCase {
  const char* what;
  std::string content;
  std::vector<std::string> keys;
  bool complete;
};

TEST_F(InvalFileDBFileTest, DamagedFilesKeepTheCompleteRecords) {
  const std::string search2 = Int(2) + Int(2) + Bytes({0x00, 0xFF});
  const std::string good = RecordBytes("N", search2);
  const DamagedCase cases[] = {
      {"four zero bytes", Int(0), {}, true},
      {"empty file", "", {}, true},
      {"three bytes", Bytes({1, 0, 0}), {}, false},
      {"count 3, ends inside record 2", Int(3) + good + RecordBytes("M", search2).substr(0, 9), {"C/N"}, false},
      {"negative count", Int(0xFFFFFFFF) + good, {}, false},
      {"name length near 4 GiB", Int(1) + Int(0xFFFFFFF0) + "N", {}, false},
      {"negative search length: no search bytes", Int(2) + good + RecordBytes("M", Int(0xFFFFFFFE)), {"C/M", "C/N"},
       true},
      {"search length beyond the file", Int(1) + RecordBytes("N", Int(0x7FFFFFFF) + Int(0x7FFFFFFF)), {}, false},
      {"search block length differs", Int(1) + RecordBytes("N", Int(2) + Int(1) + Bytes({0, 0xFF})), {}, false},
      {"date block of 8 bytes", Int(1) + Text("N") + Text("C") + Text("") + Int(8) + std::string(8, '\0') +
           Text("") + Int(0) + Text(""), {}, false},
      {"date block of 16 bytes", Int(1) + Text("N") + Text("C") + Text("") + Int(16) + std::string(16, '\0') +
           Text("") + Int(0) + Text(""), {}, false},
      {"tail after the last record", Int(1) + good + std::string(40, '\x7F'), {"C/N"}, true},
      {"duplicate key dropped", Int(2) + good + good, {"C/N"}, true},
      // A file not in store order is sorted, a category met again after another too.
      {"category met again", Int(3) + RecordBytes("b", search2, "A") + RecordBytes("x", search2, "B") +
           RecordBytes("a", search2, "A"), {"A/a", "A/b", "B/x"}, true},
  };
  for (const DamagedCase& c : cases) {
    dir.Write("Vorlet.dat", c.content);
    InvalFileDB db;
    ASSERT_TRUE(db.Add(MakeRecord("old", "record")));
    EXPECT_EQ(db.Load(dir.folder()), c.complete) << c.what;
    EXPECT_EQ(db.LoadWasIncomplete(), !c.complete) << c.what;
    EXPECT_EQ(Keys(db), c.keys) << c.what;
    EXPECT_EQ(db.RecordCount(), static_cast<int32_t>(c.keys.size())) << c.what;
  }
}

TEST_F(InvalFileDBFileTest, NegativeSearchLengthIsWrittenBackAsNoSearchBytes) {
  const std::string good = RecordBytes("N", Int(2) + Int(2) + Bytes({0x00, 0xFF}));
  dir.Write("Vorlet.dat", Int(2) + RecordBytes("M", Int(0xFFFFFFFE)) + good);
  InvalFileDB db;
  ASSERT_TRUE(db.Load(dir.folder()));
  EXPECT_EQ(db.FindRecord("C", "M")->SearchBytes(), nullptr);
  ASSERT_TRUE(db.Save(dir.folder()));
  EXPECT_EQ(dir.Read("Vorlet.dat"), Int(2) + RecordBytes("M", Int(0)) + good);
}

// A record is kept as the file's bytes until asked for: what is written back is what a
// record of the read values writes, not the bytes read, where the two differ.
TEST_F(InvalFileDBFileTest, LoadedRecordsAreWrittenBackAsTheirValues) {
  const std::string search2 = Int(2) + Int(2) + Bytes({0x00, 0xFF});
  const std::string plain = RecordBytes("P", search2);
  dir.Write("Vorlet.dat", Int(4) + Text("A") + Text("C") + Text(std::string("r\0isk", 5)) + kDate + Text("") +
                              search2 + Text(std::string("sum\0mary", 8)) +
                              RecordBytes("M", Int(0xFFFFFFFE)) + RecordBytes("N", search2) + plain);
  InvalFileDB db;
  ASSERT_TRUE(db.Load(dir.folder()));
  EXPECT_EQ(db.FindRecord("C", "A")->RiskLevel(), "r");
  ASSERT_TRUE(db.Modify(MakeRecord("C", "N", "0102"), db.FindRecord("C", "N")));
  ASSERT_TRUE(db.Save(dir.folder()));
  EXPECT_EQ(dir.Read("Vorlet.dat"), Int(4) + Text("A") + Text("C") + Text("r") + kDate + Text("") + search2 +
                                        Text("sum") + RecordBytes("M", Int(0)) +
                                        RecordBytes("N", Int(2) + Int(2) + Bytes({1, 2})) + plain);
}

// Records made from a loaded file are their own: a hit or an editor that holds one reads it
// after the store has let the file's bytes go.
TEST_F(InvalFileDBFileTest, HeldRecordsOutliveTheLoadedFile) {
  const std::string first = "A name long enough to live on the heap";
  const std::string second = "\x83\x67\x83\x8D\x83\x43 also long enough to live on the heap";
  const std::string search = Int(16) + Int(16) + std::string(16, '\x5A');
  dir.Write("Vorlet.dat", Int(2) + RecordBytes(first, search) + RecordBytes(second, search));
  TempDir other;
  other.Write("Vorlet.dat", Int(1) + RecordBytes("other", search));
  const std::string fingerprint(16, '\x5A');
  std::string hex;
  for (int i = 0; i < 16; ++i) hex += "5a";
  for (const std::string then : {"Clear", "Load", "LoadBytes"}) {
    InvalFileDB db;
    ASSERT_TRUE(db.Load(dir.folder()));
    FakeDigestMatcher matcher;
    RecordingSink sink;
    matcher.sink = &sink;
    db.SetMatcher(&matcher);
    ASSERT_TRUE(db.Search(nullptr, reinterpret_cast<const uint8_t*>(fingerprint.data()), 16, 1));
    ASSERT_EQ(sink.hits.size(), 1u);
    const std::shared_ptr<InvalFileInfo> held = db.FindRecord("C", second);
    ASSERT_NE(held, nullptr);
    if (then == "Clear") {
      db.Clear();
    } else if (then == "Load") {
      ASSERT_TRUE(db.Load(other.folder()));
    } else {
      ASSERT_TRUE(db.LoadBytes(other.Read("Vorlet.dat")));
    }
    EXPECT_EQ(sink.hits[0].record->Name(), first) << then;
    EXPECT_EQ(sink.hits[0].record->GetSearchText(), hex) << then;
    EXPECT_EQ(held->Category() + "/" + held->Name(), "C/" + second) << then;
  }
}

// Another writer saved after this session loaded the file: this session's save applies its
// own additions, modifications and removals to the file as it is then, keeping the rest.
TEST_F(InvalFileDBFileTest, SaveKeepsWhatAnotherWriterSavedSinceTheLoad) {
  InvalFileDB first;
  for (const char* name : {"a", "b", "d", "m"}) ASSERT_TRUE(first.Add(MakeRecord("C", name)));
  ASSERT_TRUE(first.Save(dir.folder()));

  InvalFileDB session;
  ASSERT_TRUE(session.Load(dir.folder()));
  InvalFileDB other;
  ASSERT_TRUE(other.Load(dir.folder()));

  auto edited = MakeRecord("C", "b", "0102");
  ASSERT_TRUE(session.Modify(edited, session.FindRecord("C", "b")));
  ASSERT_TRUE(session.Modify(MakeRecord("D", "m"), session.FindRecord("C", "m")));  // to another category
  ASSERT_TRUE(session.Modify(MakeRecord("C", "a"), session.FindRecord("C", "a")));  // the same values
  ASSERT_TRUE(session.Remove(*session.FindRecord("C", "d")));
  ASSERT_TRUE(session.Add(MakeRecord("C", "e")));
  auto passing = MakeRecord("C", "x");
  ASSERT_TRUE(session.Add(passing) && session.Remove(*passing));

  ASSERT_TRUE(other.Modify(MakeRecord("C", "a", "0a0a"), other.FindRecord("C", "a")));
  ASSERT_TRUE(other.Add(MakeRecord("C", "f")) && other.Add(MakeRecord("C", "x", "0b")));
  ASSERT_TRUE(other.Save(dir.folder()));

  ASSERT_TRUE(session.Save(dir.folder()));
  InvalFileDB saved;
  ASSERT_TRUE(saved.Load(dir.folder()));
  EXPECT_EQ(Keys(saved), (std::vector<std::string>{"C/a", "C/b", "C/e", "C/f", "C/x", "D/m"}));
  EXPECT_EQ(saved.RecordCount(), 6);
  std::string texts;
  saved.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) { texts += r->GetSearchText() + ";"; });
  EXPECT_EQ(texts, "0a0a;0102;;;0b;;");
}

TEST_F(InvalFileDBFileTest, MissingFileIsCreatedEmpty) {
  InvalFileDB db;
  EXPECT_TRUE(db.Load(dir.folder()));
  EXPECT_EQ(db.RecordCount(), 0);
  EXPECT_FALSE(db.LoadWasIncomplete());
  ASSERT_TRUE(Exists("Vorlet.dat"));
  EXPECT_EQ(dir.Read("Vorlet.dat"), "");
}

// Cut a file of several records at every offset: loading never fails hard and keeps
// exactly the records that were complete before the cut.
TEST_F(InvalFileDBFileTest, TruncationAtEveryOffsetKeepsCompleteRecords) {
  InvalFileDB full;
  Fill(full, 7);
  std::vector<std::shared_ptr<InvalFileInfo>> order;
  full.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) { order.push_back(r); });

  // The end offset of record k is the length of a file holding the first k records.
  std::vector<size_t> ends;
  {
    InvalFileDB prefix;
    for (const auto& r : order) {
      auto copy = std::make_shared<InvalFileInfo>();
      copy->CopyFrom(*r);
      ASSERT_TRUE(prefix.Add(copy));
      TempDir scratch;
      ASSERT_TRUE(prefix.Save(scratch.folder()));
      ends.push_back(scratch.Read("Vorlet.dat").size());
    }
  }
  ASSERT_TRUE(full.Save(dir.folder()));
  const std::string content = dir.Read("Vorlet.dat");
  ASSERT_EQ(content.size(), ends.back());

  for (size_t cut = 0; cut <= content.size(); ++cut) {
    std::string truncated = content.substr(0, cut);
    // The count stays 7; a cut inside the count itself is damage too.
    dir.Write("Vorlet.dat", truncated);
    InvalFileDB db;
    bool complete = db.Load(dir.folder());
    size_t expected = 0;
    while (expected < ends.size() && ends[expected] <= cut) ++expected;
    ASSERT_EQ(db.RecordCount(), static_cast<int32_t>(expected)) << "cut at " << cut;
    ASSERT_EQ(complete, cut == 0 || cut == content.size()) << "cut at " << cut;
    std::vector<std::string> keys;
    for (size_t i = 0; i < expected; ++i) keys.push_back(order[i]->Category() + "/" + order[i]->Name());
    ASSERT_EQ(Keys(db), keys) << "cut at " << cut;
    db.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) {
      ASSERT_EQ(r->GetSearchText(), full.FindRecord(r->Category(), r->Name())->GetSearchText());
    });
  }
}

TEST_F(InvalFileDBFileTest, SavingOneRecordOverTenLeavesNoTail) {
  InvalFileDB ten;
  Fill(ten, 10);
  ASSERT_TRUE(ten.Save(dir.folder()));
  InvalFileDB one;
  ASSERT_TRUE(one.Add(MakeRecord("C1", "N1", "00ff")));
  ASSERT_TRUE(one.Save(dir.folder()));
  const std::string content = dir.Read("Vorlet.dat");
  EXPECT_EQ(content.substr(0, 4), Int(1));
  EXPECT_EQ(content.size(), 4 + RecordBytes("N1", Int(2) + Int(2) + Bytes({0, 0xFF})).size() + 1);  // "C1" vs "C"
  InvalFileDB loaded;
  ASSERT_TRUE(loaded.Load(dir.folder()));
  EXPECT_EQ(Keys(loaded), (std::vector<std::string>{"C1/N1"}));
}

TEST_F(InvalFileDBFileTest, EmptiedCategoryIsGoneAfterReload) {
  InvalFileDB db;
  auto only = MakeRecord("X", "A");
  ASSERT_TRUE(db.Add(only) && db.Add(MakeRecord("Y", "B")));
  ASSERT_TRUE(db.Remove(*only));
  ASSERT_TRUE(db.Save(dir.folder()));
  InvalFileDB loaded;
  ASSERT_TRUE(loaded.Load(dir.folder()));
  EXPECT_EQ(loaded.FindCategory("X"), nullptr);
  EXPECT_NE(loaded.FindCategory("Y"), nullptr);
}

TEST_F(InvalFileDBFileTest, DamagedFileIsKeptBeforeTheFirstSave) {
  const std::string damaged = Int(3) + RecordBytes("N", Int(0)) + RecordBytes("M", Int(0)).substr(0, 5);
  dir.Write("Vorlet.dat", damaged);
  dir.Write("Vorlet.dat.bad", "an earlier copy");
  InvalFileDB db;
  EXPECT_FALSE(db.Load(dir.folder()));
  EXPECT_EQ(db.RecordCount(), 1);
  ASSERT_TRUE(db.Save(dir.folder()));
  EXPECT_EQ(db.DamagedFileName(), dir.folder() + "Vorlet.dat.bad2");
  EXPECT_EQ(dir.Read("Vorlet.dat.bad"), "an earlier copy");
  EXPECT_EQ(dir.Read("Vorlet.dat.bad2"), damaged);
  EXPECT_FALSE(Exists("Vorlet.dat.bad.tmp"));
  // Saving again keeps no further copy.
  ASSERT_TRUE(db.Save(dir.folder()));
  EXPECT_FALSE(Exists("Vorlet.dat.bad3"));
  InvalFileDB loaded;
  EXPECT_TRUE(loaded.Load(dir.folder()));
  EXPECT_EQ(Keys(loaded), (std::vector<std::string>{"C/N"}));
}

TEST_F(InvalFileDBFileTest, CompleteOrEmptyFileNeedsNoCopy) {
  InvalFileDB db;
  ASSERT_TRUE(db.Load(dir.folder()));  // creates the empty file
  ASSERT_TRUE(db.Add(MakeRecord("C", "N")));
  ASSERT_TRUE(db.Save(dir.folder()));
  ASSERT_TRUE(db.Load(dir.folder()));
  ASSERT_TRUE(db.Save(dir.folder()));
  EXPECT_FALSE(Exists("Vorlet.dat.bad"));
  EXPECT_TRUE(db.DamagedFileName().empty());
}

TEST_F(InvalFileDBFileTest, UnreadableDataFileIsNeverReplaced) {
  dir.MakeDir("Vorlet.dat");
  dir.Write("Vorlet.dat/inside", "x");
  InvalFileDB db;
  int pumps = 0;
  EXPECT_FALSE(db.Load(dir.folder(), [&] { ++pumps; }));
  EXPECT_EQ(pumps, 4);
  EXPECT_TRUE(db.LoadWasIncomplete());
  ASSERT_TRUE(db.Add(MakeRecord("C", "N")));
  EXPECT_FALSE(db.Save(dir.folder()));
  EXPECT_EQ(dir.Read("Vorlet.dat/inside"), "x");
}

TEST_F(InvalFileDBFileTest, FailedWriteLeavesTheOldFile) {
  InvalFileDB small;
  Fill(small, 3);
  ASSERT_TRUE(small.Save(dir.folder()));
  const std::string before = dir.Read("Vorlet.dat");

  InvalFileDB large;
  Fill(large, 200);
  // A file-size limit makes the write fail part-way, as a full disk would.
  struct rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  struct rlimit limited = old;
  limited.rlim_cur = before.size() + 100;
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  bool saved = large.Save(dir.folder());
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(saved);
  EXPECT_EQ(dir.Read("Vorlet.dat"), before);
  size_t entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.path().extension() != ".lock";
  EXPECT_EQ(entries, 1u);  // no temporary left behind
}

}  // namespace
