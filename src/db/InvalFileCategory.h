// One category of the signature store: its records ordered by name, compared as unsigned
// bytes (std::string's ordering is exactly that), whether the category takes part in the
// search, and whether it gave the hit of the last search.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "db/InvalFileInfo.h"

class ContentMatcher;

class InvalFileCategory {
 public:
  // Keyed by a view of the record's own name: no second copy of every name. A stored
  // record's name keeps its bytes in place (see InvalFileInfo) until the store lets it go.
  using RecordMap = std::map<std::string_view, std::shared_ptr<InvalFileInfo>, std::less<>>;

  explicit InvalFileCategory(std::string name) : name_(std::move(name)) {}
  InvalFileCategory(const InvalFileCategory&) = delete;
  InvalFileCategory& operator=(const InvalFileCategory&) = delete;

  const std::string& Name() const { return name_; }
  // Name order; a category emptied by Remove stays until the program ends.
  const RecordMap& Records() const { return records_; }
  bool Empty() const { return records_.empty(); }

  // Set by the search settings before every search; true for a new category.
  bool SearchFlag() const { return searchFlag_; }
  void SetSearchFlag(bool on) { searchFlag_ = on; }
  // True only for the category that gave the hit of the store's last search.
  bool Found() const { return found_; }

 private:
  friend class InvalFileDB;

  // Tests the records with search bytes in name order; stops at the first match.
  bool Search(ContentMatcher& matcher, bool* testedAny);

  std::string name_;
  RecordMap records_;
  bool searchFlag_ = true;
  bool found_ = false;
};
