// The SHA-1 rounds on the processor's SHA extensions. Only the functions
// below are compiled for them; the processor is asked once at run time.
#include "journal/journal_digest_blocks.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define TARVIK_DIGEST_X86_SHA 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace tarvik::journal::digest_blocks {

#if TARVIK_DIGEST_X86_SHA
namespace {

#define TARVIK_SHA_TARGET __attribute__((target("sha,sse4.1"), always_inline))

// The stored format reads message words little-endian, so a block's 16 bytes
// only need their word order reversed, as the instructions want it.
TARVIK_SHA_TARGET inline __m128i LoadWords(const unsigned char* p) {
  return _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), 0x1B);
}

// Four rounds from round 16 on: `e` (E plus the four schedule words) feeds
// the rounds, `other` keeps the state before them for the next E, and the
// schedule advances by one group of four words.
template <int kGroup>
TARVIK_SHA_TARGET inline void Group(__m128i& abcd, __m128i& e, __m128i& other, __m128i* m) {
  __m128i& cur = m[kGroup % 4];
  e = _mm_sha1nexte_epu32(e, cur);
  other = abcd;
  m[(kGroup + 1) % 4] = _mm_sha1msg2_epu32(m[(kGroup + 1) % 4], cur);
  abcd = _mm_sha1rnds4_epu32(abcd, e, kGroup / 5);
  m[(kGroup + 3) % 4] = _mm_sha1msg1_epu32(m[(kGroup + 3) % 4], cur);
  m[(kGroup + 2) % 4] = _mm_xor_si128(m[(kGroup + 2) % 4], cur);
}

template <int kGroup>
TARVIK_SHA_TARGET inline void Groups(__m128i& abcd, __m128i& e0, __m128i& e1, __m128i* m) {
  if constexpr (kGroup % 2 == 0) {
    Group<kGroup>(abcd, e0, e1, m);
  } else {
    Group<kGroup>(abcd, e1, e0, m);
  }
  if constexpr (kGroup < 19) Groups<kGroup + 1>(abcd, e0, e1, m);
}

__attribute__((target("sha,sse4.1"))) void CompressSha(std::uint32_t* state,
                                                       const unsigned char* blocks,
                                                       std::size_t count) {
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abcdSaved = abcd;
    const __m128i eSaved = e0;
    __m128i m[4];
    __m128i e1;

    // Rounds 0 to 15 take the block's words as they are.
    m[0] = LoadWords(blocks);
    e0 = _mm_add_epi32(e0, m[0]);
    e1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);

    m[1] = LoadWords(blocks + 16);
    e1 = _mm_sha1nexte_epu32(e1, m[1]);
    e0 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e1, 0);
    m[0] = _mm_sha1msg1_epu32(m[0], m[1]);

    m[2] = LoadWords(blocks + 32);
    e0 = _mm_sha1nexte_epu32(e0, m[2]);
    e1 = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e0, 0);
    m[1] = _mm_sha1msg1_epu32(m[1], m[2]);
    m[0] = _mm_xor_si128(m[0], m[2]);

    m[3] = LoadWords(blocks + 48);
    Groups<3>(abcd, e0, e1, m);

    // Group 19 left the state before the last rounds in e0.
    e0 = _mm_sha1nexte_epu32(e0, eSaved);
    abcd = _mm_add_epi32(abcd, abcdSaved);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

bool ProcessorHasSha() {
  unsigned a, b, c, d;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSE4_1)) return false;
  if (__get_cpuid_max(0, nullptr) < 7) return false;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & bit_SHA) != 0;
}

}  // namespace

CompressFunction ShaInstructions() {
  static const CompressFunction chosen = ProcessorHasSha() ? &CompressSha : nullptr;
  return chosen;
}

#else

CompressFunction ShaInstructions() {
  return nullptr;
}

#endif

}  // namespace tarvik::journal::digest_blocks
