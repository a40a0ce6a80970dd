#include "engine/SignatureQuality.h"

#include <algorithm>
#include <cstring>

#include "db/InvalFileInfo.h"
#include "engine/Md5.h"
#include "settings/LogFormat.h"

namespace {

// Blocks of one repeated byte recognised by their digest: every length up to the default
// block, the 257 bytes 0..256.
constexpr int32_t kRepeatedLengths = 257;
// How many names a status text shows.
constexpr size_t kSummaryNames = 3;

// "ブロックより短い見本（", "バイト）", "同じバイトの繰り返し（", "）",
// "ダイジェストがほかの", "件と同じ", "、"
constexpr char kShortSample[] =
    "\x83\x75\x83\x8D\x83\x62\x83\x4E\x82\xE6\x82\xE8\x92\x5A\x82\xA2\x8C\xA9\x96\x7B\x81\x69";
constexpr char kBytesClose[] = "\x83\x6F\x83\x43\x83\x67\x81\x6A";
constexpr char kRepeatedByte[] =
    "\x93\xAF\x82\xB6\x83\x6F\x83\x43\x83\x67\x82\xCC\x8C\x4A\x82\xE8\x95\xD4\x82\xB5\x81\x69";
constexpr char kClose[] = "\x81\x6A";
constexpr char kSameDigest[] = "\x83\x5F\x83\x43\x83\x57\x83\x46\x83\x58\x83\x67\x82\xAA\x82\xD9\x82\xA9\x82\xCC";
constexpr char kSameDigestEnd[] = "\x8C\x8F\x82\xC6\x93\xAF\x82\xB6";
constexpr char kListSeparator[] = "\x81\x41";
// "（誤検出のおそれ ", "件：", " ほか"
constexpr char kSummaryOpen[] = "\x81\x69\x8C\xEB\x8C\x9F\x8F\x6F\x82\xCC\x82\xA8\x82\xBB\x82\xEA ";
constexpr char kSummaryCount[] = "\x8C\x8F\x81\x46";
constexpr char kSummaryMore[] = " \x82\xD9\x82\xA9";

SignatureQuality::Digest ToDigest(const uint8_t* bytes) {
  SignatureQuality::Digest digest;
  std::memcpy(digest.data(), bytes, digest.size());
  return digest;
}

}  // namespace

void SignatureQuality::AddSample(const uint8_t* block, int32_t length, const uint8_t* digest,
                                 const std::shared_ptr<InvalFileInfo>& added) {
  digests_.push_back(ToDigest(digest));
  if (added == nullptr || length <= 0) return;
  NewSignature entry{QualityWarning{}, digests_.back()};
  QualityWarning& findings = entry.findings;
  findings.record = added;
  findings.blockLength = blockLength_;
  findings.sampleLength = length;
  findings.shortSample = length < blockLength_;
  findings.repeatedByte = std::all_of(block, block + length, [&](uint8_t b) { return b == block[0]; });
  findings.byte = block[0];
  newOnes_.push_back(std::move(entry));
}

void SignatureQuality::AddRecord(const std::shared_ptr<InvalFileInfo>& record, bool added) {
  if (record == nullptr || record->SearchLength() < static_cast<int32_t>(Md5::kDigestSize)) return;
  digests_.push_back(ToDigest(record->SearchBytes()));
  if (!added) return;
  NewSignature entry{QualityWarning{}, digests_.back()};
  QualityWarning& findings = entry.findings;
  findings.record = record;
  findings.blockLength = blockLength_;
  if (const RepeatedBlock* repeated = FindRepeated(entry.digest)) {
    findings.repeatedByte = true;
    findings.byte = repeated->byte;
    findings.sampleLength = repeated->length;
    findings.shortSample = repeated->length < blockLength_;
  }
  newOnes_.push_back(std::move(entry));
}

const SignatureQuality::RepeatedBlock* SignatureQuality::FindRepeated(const Digest& digest) {
  if (repeated_.empty()) {
    std::vector<int32_t> lengths;
    for (int32_t length = 1; length <= kRepeatedLengths; ++length) lengths.push_back(length);
    if (blockLength_ > kRepeatedLengths) lengths.push_back(blockLength_);
    std::vector<uint8_t> block(static_cast<size_t>(lengths.back()));
    repeated_.reserve(lengths.size() * 256);
    for (int byte = 0; byte < 256; ++byte) {
      std::fill(block.begin(), block.end(), static_cast<uint8_t>(byte));
      for (int32_t length : lengths) {
        RepeatedBlock entry{{}, static_cast<uint8_t>(byte), length};
        Md5Digest(block.data(), static_cast<size_t>(length), entry.digest.data());
        repeated_.push_back(entry);
      }
    }
    std::sort(repeated_.begin(), repeated_.end(),
              [](const RepeatedBlock& a, const RepeatedBlock& b) { return a.digest < b.digest; });
  }
  const auto found = std::lower_bound(repeated_.begin(), repeated_.end(), digest,
                                      [](const RepeatedBlock& entry, const Digest& d) { return entry.digest < d; });
  return found != repeated_.end() && found->digest == digest ? &*found : nullptr;
}

std::vector<QualityWarning> SignatureQuality::Warnings() const {
  std::vector<Digest> sorted = digests_;
  std::sort(sorted.begin(), sorted.end());
  std::vector<QualityWarning> warnings;
  for (const NewSignature& entry : newOnes_) {
    QualityWarning findings = entry.findings;
    const auto same = std::equal_range(sorted.begin(), sorted.end(), entry.digest);
    findings.sameDigest = static_cast<int32_t>(same.second - same.first) - 1;
    if (findings.Any()) warnings.push_back(std::move(findings));
  }
  return warnings;
}

std::string SignatureQuality::Describe(const QualityWarning& warning) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  auto separate = [&] {
    if (!text.empty()) text += kListSeparator;
  };
  if (warning.shortSample) {
    text += kShortSample;
    text += std::to_string(warning.sampleLength);
    text += '/';
    text += std::to_string(warning.blockLength);
    text += kBytesClose;
  }
  if (warning.repeatedByte) {
    separate();
    text += kRepeatedByte;
    text += "0x";
    text.push_back(kHex[warning.byte >> 4]);
    text.push_back(kHex[warning.byte & 0x0F]);
    text += kClose;
  }
  if (warning.sameDigest > 0) {
    separate();
    text += kSameDigest;
    text += ' ';
    text += std::to_string(warning.sameDigest);
    text += ' ';
    text += kSameDigestEnd;
  }
  return text;
}

std::string SignatureQuality::Summary(const std::vector<QualityWarning>& warnings) {
  if (warnings.empty()) return std::string();
  std::string text = kSummaryOpen;
  text += std::to_string(warnings.size());
  text += kSummaryCount;
  for (size_t i = 0; i < warnings.size() && i < kSummaryNames; ++i) {
    if (i > 0) text += kListSeparator;
    // Shown after a conversion from CP932: a lone lead byte must not take the backslash
    // of an escape for its second byte.
    text += EscapeControlCharacters(warnings[i].record->Name(), false, true);
  }
  if (warnings.size() > kSummaryNames) text += kSummaryMore;
  text += kClose;
  return text;
}
