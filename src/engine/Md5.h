// The MD5 message digest (RFC 1321), the fingerprint of every searched file's leading
// block and the search string of every signature. A search computes one digest per file on
// a few hundred bytes, so the state lives on the stack and nothing is allocated.
#pragma once

#include <cstddef>
#include <cstdint>

class Md5 {
 public:
  static constexpr size_t kDigestSize = 16;

  Md5() { Init(); }

  // Starts a new message; the object can be reused after Final.
  void Init();
  void Update(const void* data, size_t size);
  // Writes the 16-byte digest. Call Init before feeding the next message.
  void Final(uint8_t out[kDigestSize]);

 private:
  void Transform(const uint8_t block[64]);

  uint32_t state_[4];
  uint64_t length_;  // bytes fed so far
  uint8_t buffer_[64];
};

// The digest of one buffer in one call.
void Md5Digest(const void* data, size_t size, uint8_t out[Md5::kDigestSize]);
