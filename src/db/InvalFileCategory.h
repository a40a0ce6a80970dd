// One category of the signature store: its records ordered by name, compared as unsigned
// bytes (std::string_view's ordering is exactly that), whether the category takes part in
// the search, and whether it gave the hit of the last search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/InvalFileInfo.h"

class InvalFileDB;

class InvalFileCategory {
 public:
  // The category's records in name order, each as its name and the shared record. A
  // record the store holds only as the file's bytes is made when it is reached; the name
  // is valid until the store changes.
  class RecordRange {
   public:
    using value_type = std::pair<std::string_view, std::shared_ptr<InvalFileInfo>>;
    class iterator {
     public:
      using iterator_category = std::input_iterator_tag;
      using value_type = RecordRange::value_type;
      using difference_type = std::ptrdiff_t;
      using pointer = void;
      using reference = value_type;

      iterator() = default;
      value_type operator*() const;
      iterator& operator++() {
        ++at_;
        return *this;
      }
      iterator operator++(int) {
        iterator before = *this;
        ++at_;
        return before;
      }
      friend bool operator==(const iterator& a, const iterator& b) { return a.at_ == b.at_; }

     private:
      friend class RecordRange;
      iterator(const InvalFileDB* store, const uint32_t* at) : store_(store), at_(at) {}
      const InvalFileDB* store_ = nullptr;
      const uint32_t* at_ = nullptr;
    };

    iterator begin() const { return {store_, ids_.data()}; }
    iterator end() const { return {store_, ids_.data() + ids_.size()}; }
    size_t size() const { return ids_.size(); }
    bool empty() const { return ids_.empty(); }

   private:
    friend class InvalFileCategory;
    RecordRange(const InvalFileDB* store, const std::vector<uint32_t>& ids) : store_(store), ids_(ids) {}
    const InvalFileDB* store_;
    const std::vector<uint32_t>& ids_;
  };

  InvalFileCategory(std::string name, const InvalFileDB* store) : name_(std::move(name)), store_(store) {}
  InvalFileCategory(const InvalFileCategory&) = delete;
  InvalFileCategory& operator=(const InvalFileCategory&) = delete;

  const std::string& Name() const { return name_; }
  // Name order; a category emptied by Remove stays until the program ends.
  RecordRange Records() const { return {store_, ids_}; }
  bool Empty() const { return ids_.empty(); }

  // Set by the search settings before every search; true for a new category.
  bool SearchFlag() const { return searchFlag_; }
  void SetSearchFlag(bool on) { searchFlag_ = on; }
  // True only for the category that gave the hit of the store's last search.
  bool Found() const { return found_; }

 private:
  friend class InvalFileDB;

  std::string name_;
  const InvalFileDB* store_;
  // The store's ids of the records, in name order.
  std::vector<uint32_t> ids_;
  bool searchFlag_ = true;
  bool found_ = false;
  // Loading met a name out of order: the ids are sorted once the file is read.
  bool loadedOutOfOrder_ = false;
  // While a file is read: how many of its records are of this category, and the name of
  // the last one.
  uint32_t loaded_ = 0;
  std::string_view lastLoadedName_;
};
