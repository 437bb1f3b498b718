#include "journal/journal_digest.h"

#include <algorithm>
#include <cstring>

#include "journal/journal_digest_blocks.h"

namespace tarvik::journal {
namespace {

inline std::uint32_t Rotl(std::uint32_t x, int n) {
  return (x << n) | (x >> (32 - n));
}

inline std::uint32_t LoadLittle(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void StoreLittle(std::uint32_t v, unsigned char* p) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

}  // namespace

void JournalDigest::Reset() {
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  state_[4] = 0xC3D2E1F0u;
  filled_ = 0;
  length_ = 0;
}

namespace {

// One SHA-1 step, written so that five steps in a row only rename the
// variables instead of moving them.
template <int kRound>
inline void Step(std::uint32_t a, std::uint32_t& b, std::uint32_t c, std::uint32_t d,
                 std::uint32_t& e, std::uint32_t w) {
  std::uint32_t f;
  std::uint32_t k;
  if constexpr (kRound == 0) {
    f = d ^ (b & (c ^ d));
    k = 0x5A827999u;
  } else if constexpr (kRound == 1) {
    f = b ^ c ^ d;
    k = 0x6ED9EBA1u;
  } else if constexpr (kRound == 2) {
    f = (b & c) | (d & (b | c));
    k = 0x8F1BBCDCu;
  } else {
    f = b ^ c ^ d;
    k = 0xCA62C1D6u;
  }
  e += Rotl(a, 5) + f + k + w;
  b = Rotl(b, 30);
}

// Word t of the message schedule, kept in a ring of 16 words and computed
// while stepping, so that each word is stored once on its own.
template <int kT>
inline std::uint32_t Word(std::uint32_t* x) {
  if constexpr (kT < 16) {
    return x[kT];
  } else {
    std::uint32_t v = Rotl(x[(kT + 13) & 15] ^ x[(kT + 8) & 15] ^ x[(kT + 2) & 15] ^ x[kT & 15], 1);
    x[kT & 15] = v;
    return v;
  }
}

// Steps kT to 79, five at a time.
template <int kT>
inline void Steps(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                  std::uint32_t& e, std::uint32_t* x) {
  constexpr int kRound = kT / 20;
  Step<kRound>(a, b, c, d, e, Word<kT>(x));
  Step<kRound>(e, a, b, c, d, Word<kT + 1>(x));
  Step<kRound>(d, e, a, b, c, Word<kT + 2>(x));
  Step<kRound>(c, d, e, a, b, Word<kT + 3>(x));
  Step<kRound>(b, c, d, e, a, Word<kT + 4>(x));
  if constexpr (kT + 5 < 80) Steps<kT + 5>(a, b, c, d, e, x);
}

}  // namespace

namespace digest_blocks {

void CompressPortable(std::uint32_t* state, const unsigned char* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t x[16];
    for (int t = 0; t < 16; ++t) x[t] = LoadLittle(blocks + 4 * t);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    Steps<0>(a, b, c, d, e, x);
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

}  // namespace digest_blocks

JournalDigest::JournalDigest(DigestEngine engine) : compress_(&digest_blocks::CompressPortable) {
  if (engine == DigestEngine::kFastest) {
    if (auto sha = digest_blocks::ShaInstructions()) compress_ = sha;
  }
  Reset();
}

bool JournalDigest::UsesShaInstructions() const {
  return compress_ != &digest_blocks::CompressPortable;
}

bool JournalDigest::ProcessorHasShaInstructions() {
  return digest_blocks::ShaInstructions() != nullptr;
}

void JournalDigest::Update(const char* bytes, std::size_t size) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  length_ += static_cast<std::uint32_t>(size);
  if (filled_ > 0) {
    std::size_t take = std::min(size, sizeof block_ - filled_);
    std::memcpy(block_ + filled_, p, take);
    filled_ += take;
    p += take;
    size -= take;
    if (filled_ < sizeof block_) return;
    compress_(state_, block_, 1);
    filled_ = 0;
  }
  std::size_t whole = size / sizeof block_;
  if (whole > 0) {
    compress_(state_, p, whole);
    p += whole * sizeof block_;
    size -= whole * sizeof block_;
  }
  std::memcpy(block_, p, size);
  filled_ = size;
}

std::string JournalDigest::Finish() {
  block_[filled_++] = 0x01;
  if (filled_ > 56) {
    std::memset(block_ + filled_, 0, sizeof block_ - filled_);
    compress_(state_, block_, 1);
    filled_ = 0;
  }
  std::memset(block_ + filled_, 0, 60 - filled_);
  StoreLittle(length_, block_ + 60);
  compress_(state_, block_, 1);

  static const char kHex[] = "0123456789abcdef";
  std::string text;
  text.reserve(kDigestTextLength);
  for (std::uint32_t word : state_) {
    unsigned char bytes[4];
    StoreLittle(word, bytes);
    for (unsigned char b : bytes) {
      text += kHex[b >> 4];
      text += kHex[b & 15];
    }
  }
  Reset();
  return text;
}

std::string JournalDigestOf(std::string_view message) {
  JournalDigest digest;
  digest.Update(message);
  return digest.Finish();
}

}  // namespace tarvik::journal
