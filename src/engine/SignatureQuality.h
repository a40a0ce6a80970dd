// Signatures that would hit innocent files. A fingerprint covers one short block, so a
// sample that filled less than the block (a short file), whose block is one byte repeated
// (padding, a zeroed image) or whose block other samples share (a common header, a licence
// text) gives a signature that many harmless files match, and an automatic delete would
// take them all. Registration and import hear of every sample or record here and report
// the new signatures with such a finding; nothing is refused.
//
// What can be known differs:
// - registration reads each sample's block: all three findings are exact;
// - an imported record holds only its digest (the first 16 search bytes), not the sample
//   or its length. A digest that is the one of a block of one repeated byte is recognised
//   by comparing it with the digests of every such block of 1 to 257 bytes and of the
//   block length of this installation; such a block shorter than the block length is a
//   short sample too. Any other short sample cannot be told from its digest. "Other
//   samples" are the other records of the same file.
// Records with fewer than 16 search bytes never match (and have no digest): no finding.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class InvalFileInfo;

// The findings on one new signature.
struct QualityWarning {
  std::shared_ptr<InvalFileInfo> record;
  bool shortSample = false;
  bool repeatedByte = false;
  uint8_t byte = 0;           // the repeated byte
  int32_t sampleLength = 0;   // bytes the digest was taken of, when known (else 0)
  int32_t blockLength = 0;    // bytes the block asks for
  int32_t sameDigest = 0;     // other samples of the run with this digest

  bool Any() const { return shortSample || repeatedByte || sameDigest > 0; }
};

class SignatureQuality {
 public:
  using Digest = std::array<uint8_t, 16>;

  // blockLength: the bytes a search's block asks for (CScanEngine::BlockLength).
  explicit SignatureQuality(int32_t blockLength) : blockLength_(blockLength) {}

  // A sample a registration fingerprinted: the block as read, its digest, and the record
  // made of it when the store took it (null when the store passed it over).
  void AddSample(const uint8_t* block, int32_t length, const uint8_t* digest,
                 const std::shared_ptr<InvalFileInfo>& added);
  // A record an import read, added when the store took it.
  void AddRecord(const std::shared_ptr<InvalFileInfo>& record, bool added);

  // The new signatures with a finding, in the order they came.
  std::vector<QualityWarning> Warnings() const;

  // The findings of one warning as CP932 text, "、"-separated.
  static std::string Describe(const QualityWarning& warning);
  // For a status text: empty without warnings, else the count and the first few names,
  // "（誤検出のおそれ 5件：a.bin、b.bin、c.bin ほか）"; control characters escaped.
  static std::string Summary(const std::vector<QualityWarning>& warnings);

 private:
  struct NewSignature {
    QualityWarning findings;  // all but sameDigest
    Digest digest;
  };
  struct RepeatedBlock {
    Digest digest;
    uint8_t byte;
    int32_t length;
  };
  // Finds the repeated-byte block a digest is the digest of; builds the table on first use.
  const RepeatedBlock* FindRepeated(const Digest& digest);

  int32_t blockLength_;
  std::vector<Digest> digests_;          // every sample's of the run
  std::vector<NewSignature> newOnes_;    // every new signature with a digest
  std::vector<RepeatedBlock> repeated_;  // sorted by digest
};
