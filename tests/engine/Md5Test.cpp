#include "engine/Md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string Hex(const uint8_t digest[16]) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (int i = 0; i < 16; ++i) {
    text += kDigits[digest[i] >> 4];
    text += kDigits[digest[i] & 15];
  }
  return text;
}

std::string DigestOf(const std::string& message) {
  uint8_t digest[16];
  Md5Digest(message.data(), message.size(), digest);
  return Hex(digest);
}

// A 257-byte leading block as a search reads it by default: bytes 0..255, then 0x01.
std::string Block257() {
  std::string block;
  for (int i = 0; i < 256; ++i) block += static_cast<char>(i);
  block += '\x01';
  return block;
}

}  // namespace

TEST(Md5Test, Rfc1321TestSuite) {
  struct Case {
    const char* message;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) EXPECT_EQ(DigestOf(c.message), c.digest) << '"' << c.message << '"';
}

// The lengths around the padding boundary: 55 bytes still take the length in the same
// block, 56 need a second one.
TEST(Md5Test, PaddingBoundaries) {
  struct Case {
    size_t length;
    const char* digest;
  } cases[] = {
      {55, "04364420e25c512fd958a70738aa8f72"}, {56, "668a72d5ba17f08e62dabcafad6db14b"},
      {63, "7dc2ca208106a2f703567bdff99d8981"}, {64, "c1bb4f81d892b2d57947682aeb252456"},
      {65, "1bc932052302d074bdec39795fe00cf6"},
  };
  for (const Case& c : cases) EXPECT_EQ(DigestOf(std::string(c.length, 'x')), c.digest) << c.length;
}

TEST(Md5Test, MultiBlockAndLeadingBlock) {
  EXPECT_EQ(DigestOf(std::string(1000, 'a')), "cabe45dcc9ae5b66ba86600cca6b8ba8");
  EXPECT_EQ(DigestOf(Block257()), "7d608502201d42d9578606df3a357ea8");
  std::string other;
  for (int i = 0; i < 257; ++i) other += static_cast<char>((i * 7 + 3) & 255);
  EXPECT_EQ(DigestOf(other), "8e2134d5d1b01a551538448c7f25e37e");
}

// Feeding a message in pieces of any size gives the digest of the whole, and the object
// can be reused for the next message.
TEST(Md5Test, StreamingInPiecesMatchesOneShot) {
  std::string message = Block257() + std::string(300, 'q');
  std::string expected = DigestOf(message);
  Md5 md5;
  for (size_t piece : {1u, 3u, 63u, 64u, 65u, 200u}) {
    md5.Init();
    for (size_t at = 0; at < message.size(); at += piece)
      md5.Update(message.data() + at, std::min(piece, message.size() - at));
    uint8_t digest[16];
    md5.Final(digest);
    EXPECT_EQ(Hex(digest), expected) << "piece " << piece;
  }
  md5.Init();
  md5.Update("abc", 3);
  uint8_t digest[16];
  md5.Final(digest);
  EXPECT_EQ(Hex(digest), "900150983cd24fb0d6963f7d28e17f72");
}
