// An exclusive lock held through a lock file (flock), for files that several processes
// load, change and write back whole: each writer holds the lock from its load to its save,
// so no one writes over changes it has not seen. The lock file stays in place once made;
// removing it would let two processes lock two different files of the same name.
#pragma once

#include <functional>
#include <string>

namespace platform {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens (creating when missing) the lock file at path and waits until the lock is ours.
  // While another process holds it, wait runs between two attempts (when set) so that a
  // program can keep its windows alive. False with *error when the file cannot be opened
  // or locked; nothing is held then.
  bool Acquire(const std::string& path, const std::function<void()>& wait = {}, int* error = nullptr);
  bool Held() const { return fd_ >= 0; }
  void Release();

 private:
  int fd_ = -1;
};

}  // namespace platform
