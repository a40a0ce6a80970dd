// Memory for a large file's bytes read in one go: given out without a fill (the read
// overwrites it anyway), and for a buffer of some megabytes in pages of 2 MiB where the
// kernel has them, so that a load pays a handful of page faults and zeroings instead of
// thousands, and the process gives it back as cheaply at its end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ~ByteBuffer() { Release(); }
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  // Room for size bytes, whose values are unspecified until written; what was held before
  // is released first. False (and empty) when the memory cannot be had.
  bool Allocate(size_t size);
  // Holds bytes as they are (no copy).
  void Adopt(std::string bytes);
  // Keeps only the first size bytes (size at most Size()).
  void Shrink(size_t size) {
    if (size < size_) size_ = size;
  }
  void Release();

  char* Data() { return data_; }
  const char* Data() const { return data_; }
  size_t Size() const { return size_; }
  std::string_view View() const { return {data_, size_}; }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  // How data_ was obtained: a mapping of its own (mapped_ bytes), new[] or an adopted string.
  size_t mapped_ = 0;
  bool fromNew_ = false;
  std::string adopted_;
};

// Makes the pages of a freshly allocated block present in one call rather than one fault
// each as it is first written (only the whole pages inside it; only advice). For arrays
// of some hundred kilobytes that a load fills at once.
void PrefaultForWrite(void* at, size_t size);

// reserve, with the new room made present as above.
template <typename T>
void ReservePrefaulted(std::vector<T>* items, size_t count) {
  if (items->capacity() >= count) return;
  items->reserve(count);
  PrefaultForWrite(items->data(), count * sizeof(T));
}

}  // namespace platform
