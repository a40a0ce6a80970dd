#include <gtest/gtest.h>

#include <array>
#include <random>

#include "db/FakeMatcher.h"
#include "db/InvalFileDB.h"
#include "support/TempDir.h"

namespace {

using Digest = std::array<uint8_t, 16>;

// Distinct seeds give distinct digests.
Digest DigestOf(int seed) {
  std::mt19937 rng(static_cast<unsigned>(seed) * 2654435761u + 1);
  Digest d;
  for (auto& b : d) b = static_cast<uint8_t>(rng());
  return d;
}

std::string Hex(const uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (size_t i = 0; i < n; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 15];
  }
  return text;
}

std::string Hex(const Digest& d) { return Hex(d.data(), d.size()); }

class InvalFileDBSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    matcher.sink = &sink;
    db.SetMatcher(&matcher);
  }
  // Runs one path and returns the hit's key, or "" without a hit.
  std::string Hit(const Digest& d, bool indexed = true) {
    sink.hits.clear();
    bool ok = indexed ? db.Search(nullptr, d.data(), 16, 1) : db.SearchSequential(nullptr, d.data(), 16, 1);
    EXPECT_TRUE(ok);
    EXPECT_LE(sink.hits.size(), 1u);
    if (sink.hits.empty()) return "";
    return sink.hits[0].record->Category() + "/" + sink.hits[0].record->Name();
  }

  InvalFileDB db;
  FakeDigestMatcher matcher;
  RecordingSink sink;
};

TEST_F(InvalFileDBSearchTest, FirstHitInCategoryThenNameOrder) {
  const Digest d = DigestOf(1);
  for (auto [category, name] : {std::pair{"B", "a"}, {"A", "y"}, {"A", "x"}, {"\x82\xA0", "a"}}) {
    ASSERT_TRUE(db.Add(MakeRecord(category, name, Hex(d))));
  }
  for (bool indexed : {true, false}) {
    EXPECT_EQ(Hit(d, indexed), "A/x") << indexed;
    EXPECT_TRUE(db.FindCategory("A")->Found());
    EXPECT_FALSE(db.FindCategory("B")->Found());
    EXPECT_EQ(sink.hits[0].path, "/data/file.bin");
  }
  db.FindCategory("A")->SetSearchFlag(false);
  for (bool indexed : {true, false}) {
    EXPECT_EQ(Hit(d, indexed), "B/a") << indexed;
    EXPECT_FALSE(db.FindCategory("A")->Found());
    EXPECT_TRUE(db.FindCategory("B")->Found());
  }
  db.FindCategory("B")->SetSearchFlag(false);
  EXPECT_EQ(Hit(d), "\x82\xA0/a");
  db.FindCategory("\x82\xA0")->SetSearchFlag(false);
  for (bool indexed : {true, false}) {
    EXPECT_EQ(Hit(d, indexed), "") << indexed;
    for (const auto& [name, category] : db.Categories()) EXPECT_FALSE(category.Found()) << name;
  }
}

TEST_F(InvalFileDBSearchTest, MatchesOnTheFirstSixteenBytesOnly) {
  const Digest d = DigestOf(2);
  ASSERT_TRUE(db.Add(MakeRecord("A", "short", Hex(d.data(), 15))));
  ASSERT_TRUE(db.Add(MakeRecord("A", "empty")));
  ASSERT_TRUE(db.Add(MakeRecord("B", "long", Hex(d) + "deadbeef")));
  for (bool indexed : {true, false}) EXPECT_EQ(Hit(d, indexed), "B/long") << indexed;
}

TEST_F(InvalFileDBSearchTest, EveryFileGivesTheMatcherOneChanceToStop) {
  ASSERT_TRUE(db.Add(MakeRecord("A", "empty")));
  for (bool indexed : {true, false}) {
    matcher.compares = 0;
    EXPECT_EQ(Hit(DigestOf(3), indexed), "");
    EXPECT_EQ(matcher.compares, 1) << indexed;
  }
  const Digest d = DigestOf(4);
  ASSERT_TRUE(db.Add(MakeRecord("B", "hit", Hex(d))));
  for (bool indexed : {true, false}) {
    EXPECT_EQ(Hit(d, indexed), "B/hit");
    matcher.compares = 0;
    matcher.stopAfter = 0;
    sink.hits.clear();
    EXPECT_FALSE(indexed ? db.Search(nullptr, d.data(), 16, 1) : db.SearchSequential(nullptr, d.data(), 16, 1));
    EXPECT_TRUE(sink.hits.empty());
    EXPECT_FALSE(db.FindCategory("B")->Found());
    EXPECT_FALSE(indexed ? db.Search(nullptr, DigestOf(5).data(), 16, 1)
                         : db.SearchSequential(nullptr, DigestOf(5).data(), 16, 1));
    matcher.stopAfter = -1;
  }
}

TEST_F(InvalFileDBSearchTest, IndexedSearchDoesNotVisitEveryRecord) {
  for (int i = 0; i < 5000; ++i) {
    std::string category = "C";
    category += std::to_string(i % 20);
    ASSERT_TRUE(db.Add(MakeRecord(category, std::to_string(i), Hex(DigestOf(i)))));
  }
  matcher.compares = 0;
  EXPECT_EQ(Hit(DigestOf(4999)), "C19/4999");
  EXPECT_EQ(Hit(DigestOf(-1)), "");
  EXPECT_EQ(matcher.compares, 2);
}

TEST_F(InvalFileDBSearchTest, EditsKeepTheIndexCurrent) {
  const Digest d1 = DigestOf(6), d2 = DigestOf(7);
  auto stored = MakeRecord("A", "x", Hex(d1));
  ASSERT_TRUE(db.Add(stored));
  EXPECT_EQ(Hit(d1), "A/x");
  auto hitRecord = sink.hits[0].record;

  // Same key, new search bytes.
  ASSERT_TRUE(db.Modify(MakeRecord("A", "x", Hex(d2)), stored));
  EXPECT_EQ(Hit(d1), "");
  EXPECT_EQ(Hit(d2), "A/x");
  // New name, then new category.
  auto renamed = MakeRecord("A", "y", Hex(d1));
  ASSERT_TRUE(db.Modify(renamed, stored));
  EXPECT_EQ(Hit(d2), "");
  EXPECT_EQ(Hit(d1), "A/y");
  auto moved = MakeRecord("B", "y", Hex(d2));
  ASSERT_TRUE(db.Modify(moved, renamed));
  EXPECT_EQ(Hit(d1), "");
  EXPECT_EQ(Hit(d2), "B/y");
  ASSERT_TRUE(db.Remove(*moved));
  EXPECT_EQ(Hit(d2), "");
  // The first hit still reads its signature, now changed in place by the first Modify.
  EXPECT_EQ(hitRecord->Name(), "x");
  EXPECT_EQ(hitRecord->GetSearchText(), Hex(d2));
}

// Records still held as the file's bytes leave the index when they leave the store, and
// their ids, taken again by new records, find only those.
TEST_F(InvalFileDBSearchTest, LoadedRecordsLeaveTheIndexWithTheStore) {
  const Digest d1 = DigestOf(8), d2 = DigestOf(9);
  testing_support::TempDir dir;
  {
    InvalFileDB file;
    for (auto [category, name] : {std::pair{"A", "x"}, {"B", "y"}}) ASSERT_TRUE(file.Add(MakeRecord(category, name, Hex(d1))));
    ASSERT_TRUE(file.Save(dir.folder()));
  }
  ASSERT_TRUE(db.Load(dir.folder()));
  ASSERT_TRUE(db.Remove(*MakeRecord("A", "x")));
  EXPECT_EQ(Hit(d1), "B/y");
  ASSERT_TRUE(db.Add(MakeRecord("C", "z", Hex(d2))));
  EXPECT_EQ(Hit(d1), "B/y");
  EXPECT_EQ(Hit(d2), "C/z");
  ASSERT_TRUE(db.Remove(*MakeRecord("B", "y")));
  EXPECT_EQ(Hit(d1), "");
}

// A file not in store order, whose second record repeats the first one's name: the index a
// load builds finds the records that stay, and never the one dropped.
TEST_F(InvalFileDBSearchTest, RecordDroppedAtLoadIsNeverFound) {
  const Digest kept = DigestOf(1), dropped = DigestOf(2), last = DigestOf(3);
  auto number = [](uint32_t n) { return std::string{char(n), char(n >> 8), char(n >> 16), char(n >> 24)}; };
  auto text = [&](const std::string& t) { return number(static_cast<uint32_t>(t.size())) + t; };
  auto record = [&](const std::string& name, const Digest& d) {
    return text(name) + text("C") + text("") + text(std::string(12, '\0')) + text("") + number(16) +
           text(std::string(d.begin(), d.end())) + text("");
  };
  ASSERT_TRUE(db.LoadBytes(number(3) + record("x", kept) + record("x", dropped) + record("a", last)));
  EXPECT_EQ(db.RecordCount(), 2);
  for (bool indexed : {true, false}) {
    EXPECT_EQ(Hit(kept, indexed), "C/x");
    EXPECT_EQ(Hit(dropped, indexed), "");
    EXPECT_EQ(Hit(last, indexed), "C/a");
  }
}

// Random stores whose digests repeat across categories, with unflagged categories, short,
// long and missing search bytes, edited at random and reloaded from the data file: the
// indexed search and the sequential one must always agree, found flags included.
TEST_F(InvalFileDBSearchTest, IndexedAndSequentialSearchAgree) {
  const std::vector<std::string> categories = {"A", "AB", "b", "\x82\xA0", "\x83\x41", "\xB1", "\xE0\x40", "z"};
  const std::vector<std::string> names = {"n", "N", "n1", "\x95\x5C", "\xB6\xC5", "\x82\xA0\x82\xA2", "x", "0"};
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    auto randomRecord = [&]() {
      std::string hex = Hex(DigestOf(static_cast<int>(pick(6))));
      switch (pick(6)) {
        case 0: hex.clear(); break;
        case 1: hex.resize(2 * (1 + pick(15))); break;
        case 2: hex += "0102"; break;
        default: break;
      }
      return MakeRecord(categories[pick(categories.size())], names[pick(names.size())] + std::to_string(pick(3)), hex);
    };
    InvalFileDB& store = db;
    store.Clear();
    for (int i = 0; i < 150; ++i) store.Add(randomRecord());

    auto compareAll = [&](const char* stage) {
      for (const auto& [name, category] : store.Categories()) {
        store.FindCategory(name)->SetSearchFlag(pick(3) != 0);
      }
      for (int d = -1; d < 6; ++d) {
        std::string indexed = Hit(DigestOf(d), true);
        std::vector<bool> foundIndexed;
        for (const auto& [name, category] : store.Categories()) foundIndexed.push_back(category.Found());
        std::string sequential = Hit(DigestOf(d), false);
        std::vector<bool> foundSequential;
        for (const auto& [name, category] : store.Categories()) foundSequential.push_back(category.Found());
        ASSERT_EQ(indexed, sequential) << "seed " << seed << " digest " << d << " " << stage;
        ASSERT_EQ(foundIndexed, foundSequential) << "seed " << seed << " digest " << d << " " << stage;
      }
    };
    compareAll("built");

    for (int edit = 0; edit < 200; ++edit) {
      std::vector<std::shared_ptr<InvalFileInfo>> all;
      store.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) { all.push_back(r); });
      auto edited = randomRecord();
      size_t kind = pick(3);
      if (all.empty() || kind == 0) {
        store.Add(edited);
      } else if (kind == 1) {
        store.Remove(*all[pick(all.size())]);
      } else {
        auto stored = all[pick(all.size())];
        // Often keep the key so that the in-place case is exercised.
        if (pick(2) == 0) edited->SetFromText(stored->Name(), stored->Category(), "", OleDate{}, "", edited->GetSearchText(), "");
        store.Modify(edited, stored);
      }
      if (edit % 40 == 0) compareAll("edited");
    }
    compareAll("edited");

    testing_support::TempDir dir;
    ASSERT_TRUE(store.Save(dir.folder()));
    int32_t count = store.RecordCount();
    ASSERT_TRUE(store.Load(dir.folder()));
    ASSERT_EQ(store.RecordCount(), count);
    compareAll("reloaded");

    // Edits that reach records still held as the file's bytes (the keys come from another
    // store, so that this one makes no object it is not asked for), then a save that
    // merges them into the file: a reload must give the store as it was.
    std::vector<std::pair<std::string, std::string>> keys;
    {
      InvalFileDB copy;
      ASSERT_TRUE(copy.Load(dir.folder()));
      copy.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) { keys.emplace_back(r->Category(), r->Name()); });
    }
    ASSERT_FALSE(keys.empty());
    for (int edit = 0; edit < 100; ++edit) {
      const auto& [category, name] = keys[pick(keys.size())];
      auto edited = randomRecord();
      size_t kind = pick(3);
      if (kind == 0) {
        store.Add(edited);
      } else if (kind == 1) {
        store.Remove(*MakeRecord(category, name));
      } else if (auto stored = store.FindRecord(category, name)) {
        if (pick(2) == 0) edited->SetFromText(name, category, "", OleDate{}, "", edited->GetSearchText(), "");
        store.Modify(edited, stored);
      }
      if (edit % 20 == 0) compareAll("reloaded, edited");
    }
    compareAll("reloaded, edited");
    ASSERT_TRUE(store.Save(dir.folder()));
    InvalFileDB saved;
    ASSERT_TRUE(saved.Load(dir.folder()));
    std::string expected, actual;
    auto describe = [](std::string* out) {
      return [out](const std::shared_ptr<InvalFileInfo>& r) {
        *out += r->Category() + "/" + r->Name() + "=" + r->GetSearchText() + ";";
      };
    };
    store.ForEachRecord(describe(&expected));
    saved.ForEachRecord(describe(&actual));
    ASSERT_EQ(actual, expected) << "seed " << seed;
  }
}

}  // namespace
