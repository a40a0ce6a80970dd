// The signature store: every record in memory, grouped by category, categories and
// names ordered as unsigned bytes. It answers the engine's one question per file (which
// record of a searched category matches first) through an index on the first 16 search
// bytes, and reads and writes the data file "Vorlet.dat" in a given folder.
//
// Several processes write the data file (the desktop program at exit, registrations from
// the command line). Every save holds the lock file "Vorlet.dat.lock" beside it, and a
// store loaded from a folder saves back to it by applying its own changes since the load
// (records added, modified, removed) to the file as it stands then, so that a save never
// drops what another process saved in between.
//
// Records are shared: the store holds them, and a hit may keep one after the editor has
// modified or removed it. Add and Modify take a record only on success; on failure the
// caller's pointer is all there is of it.
//
// A load keeps the file's bytes as they are, in one buffer, and records only where each
// record begins: a record is made as an object (its texts copied out of the buffer) the
// first time someone asks for it (a hit, the editor's list, FindRecord), and the store
// holds that object from then on, so that every caller sees the same one. The search
// reads the search bytes in the buffer, and a save copies the bytes of every record that
// is still only bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/DataFileRecord.h"
#include "db/FingerprintIndex.h"
#include "db/InvalFileCategory.h"
#include "db/InvalFileInfo.h"
#include "platform/ByteBuffer.h"
#include "platform/FileLock.h"
#include "settings/ProfileFile.h"

class CDFile;
class ContentMatcher;

class InvalFileDB {
 public:
  using CategoryMap = std::map<std::string, InvalFileCategory, std::less<>>;

  static constexpr const char* kDataFileBase = "Vorlet";
  static constexpr const char* kDataFileExt = "dat";
  // Appended to the data file's path: the lock file every writer holds.
  static constexpr const char* kLockSuffix = ".lock";

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
  // Removes every record and category and forgets the load: the next Save writes the
  // store as the whole file.
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
  // Whether any record has these 16 search bytes, in any category: false only where Search
  // with them could not hit, so that a file fingerprinted ahead need not be read again.
  bool MayHold(const uint8_t* digest);

  // Replaces the store's content with the data file folder + "Vorlet.dat" (created empty
  // when missing). Returns false when the file could not be read to its last record; the
  // records read completely before that stay. retryPump runs between open attempts.
  bool Load(const std::string& folder, const std::function<void()>& retryPump = {});
  // Writes folder + "Vorlet.dat" under the data file's lock, replacing the file atomically:
  // a failed save leaves the old file as it was. A store loaded from folder (and not under
  // a lock held ever since) writes the file as it is now, read again under the lock, with
  // this store's changes since the load applied: a record it added or modified replaces
  // the file's record of that key, one it removed is taken out, and the rest stays as the
  // file has it. Any other store is written as the whole file. When the file the save
  // builds on was found damaged, it is first kept beside it (DamagedFileName) and the save
  // fails if it cannot be kept. Waits for the lock as long as another writer holds it.
  bool Save(const std::string& folder, const std::function<void()>& retryPump = {});
  // The data file the last Load or Save was given (empty before either); a search passes
  // over this very file wherever it meets it.
  const std::string& FilePath() const { return filePath_; }
  // Takes the data file's lock in folder and holds it until UnlockDataFile or the store's
  // end, so that a Load, changes and a Save in between form one step no other writer can
  // come between. False when the lock file cannot be opened or locked.
  bool LockDataFile(const std::string& folder, const std::function<void()>& wait = {});
  void UnlockDataFile();
  // Whether the last Load met a damaged or unreadable file.
  bool LoadWasIncomplete() const { return loadIncomplete_; }
  // Where the damaged file was kept by the last Save; empty if no copy was needed.
  const std::string& DamagedFileName() const { return damagedKeptAs_; }
  // Load and Save over a data file's bytes in memory, for the fuzz targets: records are
  // read and written as Load and Save read and write them, and no file is touched. A store
  // loaded with indexed false builds no search index, as the copy a Save builds on: it
  // can be read, written and changed, but not searched.
  bool LoadBytes(std::string bytes, bool indexed = true);
  bool SaveBytes(std::string* bytes) const;

 private:
  friend class InvalFileCategory::RecordRange::iterator;

  // A record's id: its place in offsets_ and objects_, fixed while it is in the store.
  using Id = uint32_t;
  static constexpr uint32_t kNoOffset = UINT32_MAX;

  // Forgets the last hit and hands the file to the matcher; false without a matcher.
  bool BeginSearch(CDFile* file, const uint8_t* digest, int32_t length, uint8_t mode);
  // Tests one record with search bytes: false when the search must stop; *hit on a match
  // (reported to the matcher's sink with the record).
  bool TestRecord(Id id, bool* hit);
  InvalFileCategory& CategoryFor(std::string_view name);
  InvalFileCategory* CategoryOf(Id id);

  // The record's object, made from the file's bytes on the first call.
  std::shared_ptr<InvalFileInfo> RecordOf(Id id) const;
  const InvalFileInfo* ObjectOf(Id id) const { return id < objects_.size() ? objects_[id].get() : nullptr; }
  std::string_view NameOf(Id id) const;
  std::string_view CategoryNameOf(Id id) const;
  std::string_view SearchBytesOf(Id id) const;
  // The record's fields: its object's, or views into the file's bytes.
  db::RecordView ViewOf(Id id) const;
  // Where name is or would go among category's ids, and whether it is there.
  std::pair<size_t, bool> Place(const InvalFileCategory& category, std::string_view name) const;
  Id NewId(std::shared_ptr<InvalFileInfo> record);
  void ReleaseId(Id id);
  // Takes the record at place out of category (index, ids, count), without noting it.
  void TakeOut(InvalFileCategory& category, size_t place);

  // What this session did to one key since the load: the record that holds the key's values
  // now, or null when the key's record was removed.
  struct Change {
    std::shared_ptr<InvalFileInfo> record;
    bool inFile = false;  // the key came from the loaded file
  };
  using Key = std::pair<std::string, std::string>;  // category, name
  // Add without noting a change: loading.
  bool Insert(const std::shared_ptr<InvalFileInfo>& record);
  void NoteChange(std::string_view category, std::string_view name, const std::shared_ptr<InvalFileInfo>& now,
                  bool wasInStore);
  void ApplyChanges(const std::map<Key, Change>& changes);

  // Reads the data file at path into this (empty) store; see Load.
  bool ReadDataFile(const std::string& path, bool createIfMissing, const std::function<void()>& retryPump);
  // Reads the record count and records of fileBytes_ (fileLength_: the low 32 bits of the
  // file's length) into this (empty) store. See Load.
  bool ReadRecords();
  // The record count and every record in store order: what Save and SaveBytes write.
  bool WriteRecords(std::string* out) const;
  bool WriteDataFile(ProfileFile& file) const;
  bool HoldsLockFor(const std::string& folder) const { return lock_.Held() && lockFolder_ == folder; }

  // How the index reads a record's key and order.
  class IndexRecords : public FingerprintIndex::Records {
   public:
    explicit IndexRecords(const InvalFileDB& store) : store_(store) {}
    const uint8_t* KeyOf(uint32_t id) const override;
    uint32_t IdCount() const override { return static_cast<uint32_t>(store_.offsets_.size()); }
    bool SearchesBefore(uint32_t a, uint32_t b) const override;

   private:
    const InvalFileDB& store_;
  };

  CategoryMap categories_;
  // The bytes of the file last loaded, kept as they are: the records still held only as
  // bytes are read from here.
  platform::ByteBuffer fileBytes_;
  uint32_t fileLength_ = 0;
  // Per id: where the record begins in fileBytes_ (kNoOffset: it is an object only), and
  // its object once one was made (the vector grows when the first one is).
  std::vector<uint32_t> offsets_;
  mutable std::vector<std::shared_ptr<InvalFileInfo>> objects_;
  std::vector<Id> freeIds_;
  IndexRecords indexRecords_{*this};
  FingerprintIndex index_{indexRecords_};
  // Off for the copy of the file a save builds on: it is written, never searched.
  bool indexed_ = true;
  int32_t recordCount_ = 0;
  ContentMatcher* matcher_ = nullptr;
  InvalFileCategory* lastFound_ = nullptr;
  std::string filePath_;
  bool loadIncomplete_ = false;
  bool damagedKept_ = false;
  std::string damagedKeptAs_;

  std::map<Key, Change> changes_;
  bool loaded_ = false;
  std::string loadedFrom_;
  // The lock was held from the load on: nobody else can have written the file since.
  bool lockedSinceLoad_ = false;
  platform::FileLock lock_;
  std::string lockFolder_;
};
