#include "db/InvalFileDB.h"

#include <gtest/gtest.h>

#include <vector>

#include "db/FakeMatcher.h"

namespace {

std::vector<std::string> CategoryNames(const InvalFileDB& db) {
  std::vector<std::string> names;
  for (const auto& [name, category] : db.Categories()) names.push_back(name);
  return names;
}

std::vector<std::string> RecordKeys(const InvalFileDB& db) {
  std::vector<std::string> keys;
  db.ForEachRecord([&](const std::shared_ptr<InvalFileInfo>& r) { keys.push_back(r->Category() + "/" + r->Name()); });
  return keys;
}

TEST(InvalFileDBTest, AddRefusesOnlyTheSameKeyTwice) {
  InvalFileDB db;
  auto ax = MakeRecord("X", "A");
  auto ay = MakeRecord("Y", "A");
  auto again = MakeRecord("X", "A", "00ff");
  EXPECT_TRUE(db.Add(ax));
  EXPECT_TRUE(db.Add(ay));
  EXPECT_FALSE(db.Add(again));
  EXPECT_FALSE(db.Add(nullptr));
  EXPECT_EQ(db.RecordCount(), 2);
  EXPECT_EQ(db.FindRecord("X", "A"), ax);
  EXPECT_EQ(again.use_count(), 1);  // the refused record is still only the caller's
}

TEST(InvalFileDBTest, RemoveKeepsTheEmptiedCategoryAndItsFlag) {
  InvalFileDB db;
  auto record = MakeRecord("X", "A");
  ASSERT_TRUE(db.Add(record));
  db.FindCategory("X")->SetSearchFlag(false);
  EXPECT_TRUE(db.Remove(*record));
  EXPECT_EQ(db.RecordCount(), 0);
  ASSERT_NE(db.FindCategory("X"), nullptr);
  EXPECT_TRUE(db.FindCategory("X")->Empty());
  EXPECT_FALSE(db.FindCategory("X")->SearchFlag());
  EXPECT_FALSE(db.Remove(*record));
  EXPECT_FALSE(db.Remove(*MakeRecord("Z", "A")));
  EXPECT_EQ(db.RecordCount(), 0);
}

TEST(InvalFileDBTest, TextsOrderAsUnsignedBytes) {
  // "A" (ASCII), "AB" (prefix sorts first), 0x82A0 (あ), 0x8341 (ア), 0xB1 (half-width ｱ),
  // 0xE040 (a double-byte character with a high lead byte).
  const std::vector<std::string> expected = {"A", "AB", "a", "\x82\xA0", "\x83\x41", "\xB1", "\xE0\x40"};
  InvalFileDB byCategory, byName;
  for (auto it = expected.rbegin(); it != expected.rend(); ++it) {
    ASSERT_TRUE(byCategory.Add(MakeRecord(*it, "n")));
    ASSERT_TRUE(byName.Add(MakeRecord("C", *it)));
  }
  EXPECT_EQ(CategoryNames(byCategory), expected);
  std::vector<std::string> names;
  for (const auto& [name, record] : byName.FindCategory("C")->Records()) names.emplace_back(name);
  EXPECT_EQ(names, expected);
  EXPECT_LT(std::string("A"), std::string("\x82\xA0"));
  EXPECT_LT(std::string("z"), std::string("\xB1"));
}

TEST(InvalFileDBTest, ModifyWithSameKeyKeepsTheStoredObject) {
  InvalFileDB db;
  auto stored = MakeRecord("X", "A", "0011");
  ASSERT_TRUE(db.Add(stored));
  auto edited = std::make_shared<InvalFileInfo>();
  edited->SetFromText("A", "X", "high", OleDate{3.0, 0}, "me", "aabb", "new summary");
  std::shared_ptr<InvalFileInfo> holder;
  EXPECT_TRUE(db.Modify(edited, stored, &holder));
  EXPECT_EQ(holder, stored);
  EXPECT_EQ(db.FindRecord("X", "A"), stored);
  EXPECT_EQ(stored->Summary(), "new summary");
  EXPECT_EQ(stored->GetSearchText(), "aabb");
  EXPECT_EQ(db.RecordCount(), 1);
}

TEST(InvalFileDBTest, ModifyWithNewNameOrCategoryPutsEditedInPlace) {
  InvalFileDB db;
  auto stored = MakeRecord("X", "A");
  ASSERT_TRUE(db.Add(stored));

  auto renamed = MakeRecord("X", "B");
  std::shared_ptr<InvalFileInfo> holder;
  EXPECT_TRUE(db.Modify(renamed, stored, &holder));
  EXPECT_EQ(holder, renamed);
  EXPECT_EQ(RecordKeys(db), (std::vector<std::string>{"X/B"}));
  EXPECT_EQ(db.RecordCount(), 1);

  auto moved = MakeRecord("Y", "B");
  EXPECT_TRUE(db.Modify(moved, renamed, &holder));
  EXPECT_EQ(holder, moved);
  EXPECT_EQ(RecordKeys(db), (std::vector<std::string>{"Y/B"}));
  EXPECT_EQ(db.RecordCount(), 1);
  EXPECT_NE(db.FindCategory("X"), nullptr);  // emptied, still there
}

TEST(InvalFileDBTest, ModifyThatWouldDuplicateChangesNothing) {
  InvalFileDB db;
  auto xa = MakeRecord("X", "A", "01");
  auto xb = MakeRecord("X", "B", "02");
  auto ya = MakeRecord("Y", "A", "03");
  ASSERT_TRUE(db.Add(xa) && db.Add(xb) && db.Add(ya));
  const auto before = RecordKeys(db);

  struct Case {
    const char* what;
    std::shared_ptr<InvalFileInfo> edited;
    std::shared_ptr<InvalFileInfo> stored;
  };
  const Case cases[] = {
      {"rename onto a name in the same category", MakeRecord("X", "B", "ff"), xa},
      {"move onto a name in another category", MakeRecord("Y", "A", "ff"), xa},
      {"stored record not in the store", MakeRecord("X", "Z", "ff"), MakeRecord("X", "Q")},
      {"stored record replaced by another object", MakeRecord("X", "A", "ff"), MakeRecord("X", "A")},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(db.Modify(c.edited, c.stored)) << c.what;
    EXPECT_EQ(RecordKeys(db), before) << c.what;
    EXPECT_EQ(db.RecordCount(), 3) << c.what;
    EXPECT_EQ(c.edited.use_count(), 1) << c.what;
  }
  EXPECT_EQ(xa->GetSearchText(), "01");
  EXPECT_EQ(xb->GetSearchText(), "02");
  EXPECT_EQ(ya->GetSearchText(), "03");
}

}  // namespace
