// Little-endian integers (the data file's, the digest's words) read and written byte by
// byte, so the code is right on any host; the compiler turns them into plain loads and
// stores.
#pragma once

#include <cstdint>

namespace byte_order {

inline void PutLittleEndian32(uint32_t value, unsigned char* out) {
  out[0] = static_cast<unsigned char>(value);
  out[1] = static_cast<unsigned char>(value >> 8);
  out[2] = static_cast<unsigned char>(value >> 16);
  out[3] = static_cast<unsigned char>(value >> 24);
}

inline uint32_t GetLittleEndian32(const unsigned char* in) {
  return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
         static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

inline void PutLittleEndian64(uint64_t value, unsigned char* out) {
  PutLittleEndian32(static_cast<uint32_t>(value), out);
  PutLittleEndian32(static_cast<uint32_t>(value >> 32), out + 4);
}

inline uint64_t GetLittleEndian64(const unsigned char* in) {
  return static_cast<uint64_t>(GetLittleEndian32(in)) | static_cast<uint64_t>(GetLittleEndian32(in + 4)) << 32;
}

}  // namespace byte_order
