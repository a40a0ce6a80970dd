#include "engine/Md5.h"

#include <cstring>

#include "util/LittleEndian.h"

namespace {

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return y ^ (z & (x ^ y)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

template <uint32_t (*Fn)(uint32_t, uint32_t, uint32_t)>
inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
  a = b + Rotl(a + Fn(b, c, d) + x + t, s);
}

}  // namespace

void Md5::Init() {
  state_[0] = 0x67452301u;
  state_[1] = 0xefcdab89u;
  state_[2] = 0x98badcfeu;
  state_[3] = 0x10325476u;
  length_ = 0;
}

void Md5::Transform(const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = byte_order::GetLittleEndian32(block + 4 * i);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];

  Step<F>(a, b, c, d, x[0], 0xd76aa478u, 7);
  Step<F>(d, a, b, c, x[1], 0xe8c7b756u, 12);
  Step<F>(c, d, a, b, x[2], 0x242070dbu, 17);
  Step<F>(b, c, d, a, x[3], 0xc1bdceeeu, 22);
  Step<F>(a, b, c, d, x[4], 0xf57c0fafu, 7);
  Step<F>(d, a, b, c, x[5], 0x4787c62au, 12);
  Step<F>(c, d, a, b, x[6], 0xa8304613u, 17);
  Step<F>(b, c, d, a, x[7], 0xfd469501u, 22);
  Step<F>(a, b, c, d, x[8], 0x698098d8u, 7);
  Step<F>(d, a, b, c, x[9], 0x8b44f7afu, 12);
  Step<F>(c, d, a, b, x[10], 0xffff5bb1u, 17);
  Step<F>(b, c, d, a, x[11], 0x895cd7beu, 22);
  Step<F>(a, b, c, d, x[12], 0x6b901122u, 7);
  Step<F>(d, a, b, c, x[13], 0xfd987193u, 12);
  Step<F>(c, d, a, b, x[14], 0xa679438eu, 17);
  Step<F>(b, c, d, a, x[15], 0x49b40821u, 22);

  Step<G>(a, b, c, d, x[1], 0xf61e2562u, 5);
  Step<G>(d, a, b, c, x[6], 0xc040b340u, 9);
  Step<G>(c, d, a, b, x[11], 0x265e5a51u, 14);
  Step<G>(b, c, d, a, x[0], 0xe9b6c7aau, 20);
  Step<G>(a, b, c, d, x[5], 0xd62f105du, 5);
  Step<G>(d, a, b, c, x[10], 0x02441453u, 9);
  Step<G>(c, d, a, b, x[15], 0xd8a1e681u, 14);
  Step<G>(b, c, d, a, x[4], 0xe7d3fbc8u, 20);
  Step<G>(a, b, c, d, x[9], 0x21e1cde6u, 5);
  Step<G>(d, a, b, c, x[14], 0xc33707d6u, 9);
  Step<G>(c, d, a, b, x[3], 0xf4d50d87u, 14);
  Step<G>(b, c, d, a, x[8], 0x455a14edu, 20);
  Step<G>(a, b, c, d, x[13], 0xa9e3e905u, 5);
  Step<G>(d, a, b, c, x[2], 0xfcefa3f8u, 9);
  Step<G>(c, d, a, b, x[7], 0x676f02d9u, 14);
  Step<G>(b, c, d, a, x[12], 0x8d2a4c8au, 20);

  Step<H>(a, b, c, d, x[5], 0xfffa3942u, 4);
  Step<H>(d, a, b, c, x[8], 0x8771f681u, 11);
  Step<H>(c, d, a, b, x[11], 0x6d9d6122u, 16);
  Step<H>(b, c, d, a, x[14], 0xfde5380cu, 23);
  Step<H>(a, b, c, d, x[1], 0xa4beea44u, 4);
  Step<H>(d, a, b, c, x[4], 0x4bdecfa9u, 11);
  Step<H>(c, d, a, b, x[7], 0xf6bb4b60u, 16);
  Step<H>(b, c, d, a, x[10], 0xbebfbc70u, 23);
  Step<H>(a, b, c, d, x[13], 0x289b7ec6u, 4);
  Step<H>(d, a, b, c, x[0], 0xeaa127fau, 11);
  Step<H>(c, d, a, b, x[3], 0xd4ef3085u, 16);
  Step<H>(b, c, d, a, x[6], 0x04881d05u, 23);
  Step<H>(a, b, c, d, x[9], 0xd9d4d039u, 4);
  Step<H>(d, a, b, c, x[12], 0xe6db99e5u, 11);
  Step<H>(c, d, a, b, x[15], 0x1fa27cf8u, 16);
  Step<H>(b, c, d, a, x[2], 0xc4ac5665u, 23);

  Step<I>(a, b, c, d, x[0], 0xf4292244u, 6);
  Step<I>(d, a, b, c, x[7], 0x432aff97u, 10);
  Step<I>(c, d, a, b, x[14], 0xab9423a7u, 15);
  Step<I>(b, c, d, a, x[5], 0xfc93a039u, 21);
  Step<I>(a, b, c, d, x[12], 0x655b59c3u, 6);
  Step<I>(d, a, b, c, x[3], 0x8f0ccc92u, 10);
  Step<I>(c, d, a, b, x[10], 0xffeff47du, 15);
  Step<I>(b, c, d, a, x[1], 0x85845dd1u, 21);
  Step<I>(a, b, c, d, x[8], 0x6fa87e4fu, 6);
  Step<I>(d, a, b, c, x[15], 0xfe2ce6e0u, 10);
  Step<I>(c, d, a, b, x[6], 0xa3014314u, 15);
  Step<I>(b, c, d, a, x[13], 0x4e0811a1u, 21);
  Step<I>(a, b, c, d, x[4], 0xf7537e82u, 6);
  Step<I>(d, a, b, c, x[11], 0xbd3af235u, 10);
  Step<I>(c, d, a, b, x[2], 0x2ad7d2bbu, 15);
  Step<I>(b, c, d, a, x[9], 0xeb86d391u, 21);

  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

void Md5::Update(const void* data, size_t size) {
  const uint8_t* in = static_cast<const uint8_t*>(data);
  size_t used = static_cast<size_t>(length_ % 64);
  length_ += size;
  if (used != 0) {
    size_t take = 64 - used;
    if (size < take) {
      std::memcpy(buffer_ + used, in, size);
      return;
    }
    std::memcpy(buffer_ + used, in, take);
    Transform(buffer_);
    in += take;
    size -= take;
  }
  // Whole blocks straight from the caller's memory: no copy for the common case.
  for (; size >= 64; in += 64, size -= 64) Transform(in);
  if (size != 0) std::memcpy(buffer_, in, size);
}

void Md5::Final(uint8_t out[kDigestSize]) {
  uint64_t bits = length_ * 8;
  size_t used = static_cast<size_t>(length_ % 64);
  buffer_[used++] = 0x80;
  if (used > 56) {
    std::memset(buffer_ + used, 0, 64 - used);
    Transform(buffer_);
    used = 0;
  }
  std::memset(buffer_ + used, 0, 56 - used);
  byte_order::PutLittleEndian64(bits, buffer_ + 56);
  Transform(buffer_);
  for (int i = 0; i < 4; ++i) byte_order::PutLittleEndian32(state_[i], out + 4 * i);
}

void Md5Digest(const void* data, size_t size, uint8_t out[Md5::kDigestSize]) {
  Md5 md5;
  md5.Update(data, size);
  md5.Final(out);
}
