// Signatures that would hit innocent files: registration finds short samples, blocks of
// one repeated byte and digests that two samples share; an import, which has only the
// digests, finds the repeated blocks by their digest and the shared digests.
#include "engine/SignatureQuality.h"

#include <gtest/gtest.h>

#include <map>

#include "engine/EngineTestSupport.h"
#include "engine/SearchRegistration.h"
#include "platform/Encoding.h"

namespace {

using engine_test::Content;
using engine_test::DigestOf;
using engine_test::EngineFixtureBase;
using engine_test::Signature;

struct Expected {
  bool shortSample;
  bool repeatedByte;
  int32_t sameDigest;
};

std::map<std::string, Expected> ByName(const std::vector<QualityWarning>& warnings) {
  std::map<std::string, Expected> found;
  for (const QualityWarning& w : warnings) found[w.record->Name()] = {w.shortSample, w.repeatedByte, w.sameDigest};
  return found;
}

void ExpectFindings(const std::vector<QualityWarning>& warnings, const std::map<std::string, Expected>& expected) {
  const std::map<std::string, Expected> found = ByName(warnings);
  ASSERT_EQ(found.size(), expected.size());
  for (const auto& [name, e] : expected) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(found.count(name));
    EXPECT_EQ(found.at(name).shortSample, e.shortSample);
    EXPECT_EQ(found.at(name).repeatedByte, e.repeatedByte);
    EXPECT_EQ(found.at(name).sameDigest, e.sameDigest);
  }
}

class SignatureQualityTest : public ::testing::Test, protected EngineFixtureBase {};

TEST_F(SignatureQualityTest, RegistrationNamesEachRiskySampleAndNoCleanOne) {
  tree.Write("s/c/short.bin", Content(100, 1));
  tree.Write("s/c/zeros.bin", std::string(300, '\0'));
  tree.Write("s/c/header1.bin", Content(257, 3) + "one");
  tree.Write("s/d/header2.bin", Content(257, 3) + "two");  // differs only after the block
  tree.Write("s/c/clean.bin", Content(300, 4));
  std::vector<QualityWarning> warnings;
  ASSERT_TRUE(RegisterFolder(engine, store, tree.path() + "/s", &host, &warnings));
  EXPECT_EQ(store.RecordCount(), 5);
  ExpectFindings(warnings, {{"short.bin", {true, false, 0}},
                            {"zeros.bin", {false, true, 0}},
                            {"header1.bin", {false, false, 1}},
                            {"header2.bin", {false, false, 1}}});
  EXPECT_TRUE(host.statusTexts.back().starts_with(LoadString(kStrRegisterFinished) +
                                                  platform::Utf8ToCp932("（誤検出のおそれ 4件：")));
}

TEST(SignatureQualityImportTest, RepeatedBlocksAreKnownByTheirDigest) {
  SignatureQuality quality(257);
  const std::string shared = DigestOf(Content(257, 5));
  const struct {
    const char* name;
    std::string searchBytes;
    bool added;
  } records[] = {
      {"ff257", DigestOf(std::string(257, '\xFF')), true},
      {"a10", DigestOf(std::string(10, 'a')), true},
      {"shared", shared, true},
      {"held", shared, false},  // already in the data file: counts, is not reported
      {"clean", DigestOf(Content(257, 6)), true},
      {"typed", "\x01\x02", true},  // too short to match anything
  };
  for (const auto& r : records) quality.AddRecord(Signature("c", r.name, r.searchBytes), r.added);
  ExpectFindings(quality.Warnings(),
                 {{"ff257", {false, true, 0}}, {"a10", {true, true, 0}}, {"shared", {false, false, 1}}});

  // A longer block of this installation: a full one is known too, and 257 bytes are short.
  SignatureQuality wide(1000);
  wide.AddRecord(Signature("c", "full", DigestOf(std::string(1000, '\0'))), true);
  wide.AddRecord(Signature("c", "part", DigestOf(std::string(257, '\0'))), true);
  ExpectFindings(wide.Warnings(), {{"full", {false, true, 0}}, {"part", {true, true, 0}}});
}

}  // namespace
