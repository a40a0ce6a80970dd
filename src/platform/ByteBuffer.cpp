#include "platform/ByteBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>
#include <utility>

namespace platform {
namespace {

// The size of a transparent huge page on x86-64 and most other 64-bit targets; elsewhere
// the advice below is only ignored.
constexpr size_t kLargePage = size_t{2} << 20;

size_t PageSize() {
  static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return page;
}

// Anonymous memory of at least size bytes starting on a large-page boundary; *mapped
// receives the length to unmap. Null when none is left.
char* MapAligned(size_t size, size_t* mapped) {
  const size_t page = PageSize();
  const size_t length = (size + page - 1) / page * page;
  // Room to slide to the next boundary; the slack on either side goes back at once.
  const size_t reserve = length + kLargePage - page;
  void* raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto begin = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (begin + kLargePage - 1) & ~(kLargePage - 1);
  if (aligned > begin) munmap(raw, aligned - begin);
  const size_t tail = begin + reserve - (aligned + length);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  auto* at = reinterpret_cast<char*>(aligned);
  // Only advice: without large pages (or an older kernel) the pages come one fault each.
  // The tail short of a whole large page stays in small pages, so nothing beyond the size
  // is made resident.
  madvise(at, length, MADV_HUGEPAGE);
  madvise(at, length, MADV_POPULATE_WRITE);
  *mapped = length;
  return at;
}

}  // namespace

void PrefaultForWrite(void* at, size_t size) {
  // Below this the call costs about what the faults do.
  constexpr size_t kWorthIt = size_t{64} << 10;
  if (size < kWorthIt) return;
  const size_t page = PageSize();
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(at) + page - 1) & ~(page - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(at) + size) & ~(page - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

bool ByteBuffer::Allocate(size_t size) {
  Release();
  if (size >= kLargePage) {
    data_ = MapAligned(size, &mapped_);
  } else {
    data_ = new (std::nothrow) char[size == 0 ? 1 : size];
    fromNew_ = data_ != nullptr;
  }
  if (data_ == nullptr) return false;
  size_ = size;
  return true;
}

void ByteBuffer::Adopt(std::string bytes) {
  Release();
  adopted_ = std::move(bytes);
  data_ = adopted_.data();
  size_ = adopted_.size();
}

void ByteBuffer::Release() {
  if (mapped_ > 0) munmap(data_, mapped_);
  if (fromNew_) delete[] data_;
  std::string().swap(adopted_);
  data_ = nullptr;
  size_ = 0;
  mapped_ = 0;
  fromNew_ = false;
}

}  // namespace platform
