// The signature store: every record in memory, grouped by category, categories and
// names ordered as unsigned bytes. It answers the engine's one question per file (which
// record of a searched category matches first) through an index on the first 16 search
// bytes, and reads and writes the data file "Vorlet.dat" in a given folder.
//
// Records are shared: the store holds them, and a hit may keep one after the editor has
// modified or removed it. Add and Modify take a record only on success; on failure the
// caller's pointer is all there is of it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "db/FingerprintIndex.h"
#include "db/InvalFileCategory.h"
#include "db/InvalFileInfo.h"

class CDFile;
class ContentMatcher;

class InvalFileDB {
 public:
  using CategoryMap = std::map<std::string, InvalFileCategory, std::less<>>;

  static constexpr const char* kDataFileBase = "Vorlet";
  static constexpr const char* kDataFileExt = "dat";

  InvalFileDB() = default;
  InvalFileDB(const InvalFileDB&) = delete;
  InvalFileDB& operator=(const InvalFileDB&) = delete;

  int32_t RecordCount() const { return recordCount_; }

  // Fails (store unchanged) for a null record or when its name is in its category already.
  bool Add(const std::shared_ptr<InvalFileInfo>& record);
  // Takes out the record stored under record's category and name; fails when none is.
  bool Remove(const InvalFileInfo& record);
  // Gives the stored record the edited values. A new category or a new name puts edited in
  // stored's place; otherwise stored takes edited's values and stays the same object.
  // Fails, changing nothing, when stored is not in the store or the new key is taken.
  // *holder (when given) receives the record that holds the values afterwards.
  bool Modify(const std::shared_ptr<InvalFileInfo>& edited, const std::shared_ptr<InvalFileInfo>& stored,
              std::shared_ptr<InvalFileInfo>* holder = nullptr);

  InvalFileCategory* FindCategory(std::string_view category);
  const InvalFileCategory* FindCategory(std::string_view category) const;
  std::shared_ptr<InvalFileInfo> FindRecord(std::string_view category, std::string_view name) const;
  // Categories in order, each with its records in order: the editor's list and the file's.
  const CategoryMap& Categories() const { return categories_; }
  void ForEachRecord(const std::function<void(const std::shared_ptr<InvalFileInfo>&)>& visit) const;
  // Removes every record and category.
  void Clear();

  // Not owned; attached by the engine before every search.
  void SetMatcher(ContentMatcher* matcher) { matcher_ = matcher; }
  // Tests one file: the first matching record among the categories whose search flag is
  // set, categories in order, then names in order, reports the hit. Returns false when
  // the search must stop (or no matcher is attached). Search finds the candidates through
  // the index when length is 16; SearchSequential tries every record in that order and
  // gives the same result.
  bool Search(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode);
  bool SearchSequential(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode);

  // Replaces the store's content with the data file folder + "Vorlet.dat" (created empty
  // when missing). Returns false when the file could not be read to its last record; the
  // records read completely before that stay. retryPump runs between open attempts.
  bool Load(const std::string& folder, const std::function<void()>& retryPump = {});
  // Writes every record to folder + "Vorlet.dat", replacing the file atomically: a failed
  // save leaves the old file as it was. When the last Load found the file damaged, the
  // damaged file is first kept beside it (DamagedFileName) and the save fails if it
  // cannot be kept.
  bool Save(const std::string& folder, const std::function<void()>& retryPump = {});
  // Whether the last Load met a damaged or unreadable file.
  bool LoadWasIncomplete() const { return loadIncomplete_; }
  // Where the damaged file was kept by the last Save; empty if no copy was needed.
  const std::string& DamagedFileName() const { return damagedKeptAs_; }
  // Load and Save over a data file's bytes in memory, for the fuzz targets: records are
  // read and written as Load and Save read and write them, and no file is touched.
  bool LoadBytes(std::string bytes);
  bool SaveBytes(std::string* bytes) const;

 private:
  // Forgets the last hit and hands the file to the matcher; false without a matcher.
  bool BeginSearch(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode);
  InvalFileCategory& CategoryFor(const std::string& name);

  CategoryMap categories_;
  FingerprintIndex index_;
  int32_t recordCount_ = 0;
  ContentMatcher* matcher_ = nullptr;
  InvalFileCategory* lastFound_ = nullptr;
  bool loadIncomplete_ = false;
  bool damagedKept_ = false;
  std::string damagedKeptAs_;
};
