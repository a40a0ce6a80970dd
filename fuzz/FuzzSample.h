// Which of a run's items (occurrences, components, keys) a target checks where checking
// one costs a walk of the input: checking every one would make a run cost the square of
// its length, and the fuzzer's inputs drift to the longest it allows. The first, the
// second, the last and one past the last item are always checked; a few more are picked
// by the input's bytes, so that over many runs any item is.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

class FuzzSample {
 public:
  static constexpr size_t kPicked = 3;

  // A hash of the input's size and of its bytes at both ends, where most mutations show:
  // a run hashes a bounded part, however long the input.
  static uint64_t Seed(std::string_view input) {
    uint64_t hash = (14695981039346656037u ^ input.size()) * 1099511628211u;
    const std::string_view ends[2] = {input.substr(0, 16), input.substr(input.size() - std::min<size_t>(input.size(), 16))};
    for (std::string_view part : ends) {
      for (char c : part) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
    }
    return hash;
  }

  // Items 0 to count - 1, and count for "one past the last"; in order, without repeats.
  // seed is Seed(input).
  FuzzSample(size_t count, uint64_t seed) {
    Add(0, count);
    Add(1, count);
    Add(count == 0 ? 0 : count - 1, count);
    Add(count, count);
    for (size_t i = 0; i < kPicked; ++i) Add(static_cast<size_t>((seed >> (20 * i)) % (count + 1)), count);
    std::sort(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(size_));
    size_ = static_cast<size_t>(std::unique(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(size_)) -
                                items_.begin());
  }

  const size_t* begin() const { return items_.data(); }
  const size_t* end() const { return items_.data() + size_; }

 private:
  void Add(size_t item, size_t count) { items_[size_++] = std::min(item, count); }

  std::array<size_t, 4 + kPicked> items_{};
  size_t size_ = 0;
};
