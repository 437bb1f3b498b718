#include "journal/journal_digest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <sstream>

#include "support/test_support.h"

namespace tarvik::journal {
namespace {

struct Vector {
  std::string message;
  std::string digest;
  std::string label;
};

std::string Pattern(std::size_t length) {
  std::string out(length, '\0');
  for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<char>((i * 37 + 11) & 0xFF);
  return out;
}

// Vectors written by tests/data/journal/make_digest_vectors.py, a separate
// implementation checked against an ordinary SHA-1.
std::vector<Vector> LoadVectors() {
  std::ifstream in(TARVIK_JOURNAL_TEST_DATA "/digest_vectors.txt");
  std::vector<Vector> vectors;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string kind, what, digest;
    fields >> kind >> what >> digest;
    if (kind == "text") {
      vectors.push_back({what == "-" ? "" : testing::FromHex(what), digest, line});
    } else if (kind == "pattern") {
      vectors.push_back({Pattern(std::stoul(what)), digest, line});
    } else {
      ADD_FAILURE() << "unknown vector line: " << line;
    }
  }
  return vectors;
}

// Both compression functions must give the same signatures: the portable one
// is forced here even where the processor has SHA instructions.
class JournalDigestEngines : public ::testing::TestWithParam<DigestEngine> {};

TEST_P(JournalDigestEngines, MatchesTheIndependentVectorsWholeAndFedInUnevenPieces) {
  std::vector<Vector> vectors = LoadVectors();
  // Every block-boundary case the vector script covers must be there.
  ASSERT_EQ(vectors.size(), 31u);
  const std::size_t pieces[] = {1, 3, 7, 55, 63, 64, 65, 1000, 4096 + 17};
  JournalDigest digest(GetParam());
  for (const Vector& v : vectors) {
    JournalDigest whole(GetParam());
    whole.Update(v.message);
    EXPECT_EQ(whole.Finish(), v.digest) << v.label;
    std::size_t at = 0;
    for (std::size_t i = 0; at < v.message.size(); ++i) {
      std::size_t n = std::min(pieces[i % std::size(pieces)], v.message.size() - at);
      digest.Update(v.message.data() + at, n);
      at += n;
    }
    // Finish also starts the hasher afresh for the next message.
    EXPECT_EQ(digest.Finish(), v.digest) << v.label;
  }
}

TEST_P(JournalDigestEngines, UsesTheProcessorsShaInstructionsOnlyWhenAskedAndPresent) {
  bool expected =
      GetParam() == DigestEngine::kFastest && JournalDigest::ProcessorHasShaInstructions();
  EXPECT_EQ(JournalDigest(GetParam()).UsesShaInstructions(), expected);
  if (GetParam() == DigestEngine::kFastest && !expected) {
    std::cout << "this processor has no SHA instructions: both runs took the portable path\n";
  }
}

INSTANTIATE_TEST_SUITE_P(, JournalDigestEngines,
                         ::testing::Values(DigestEngine::kFastest, DigestEngine::kPortable),
                         [](const ::testing::TestParamInfo<DigestEngine>& param) {
                           return param.param == DigestEngine::kFastest ? "Fastest" : "Portable";
                         });

}  // namespace
}  // namespace tarvik::journal
