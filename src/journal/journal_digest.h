// The signature of a journal section: SHA-1 rounds with a stored format of
// its own. Message words are read least significant byte first, the message
// ends with a 01 byte, the last word holds the length in bytes (32 bits), and
// the result words are written least significant byte first. Journals already
// signed this way must keep verifying, so none of this may change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik::journal {

inline constexpr std::size_t kDigestTextLength = 40;

enum class DigestEngine {
  kFastest,   // the processor's SHA instructions where it has them
  kPortable,  // plain C++ on every processor
};

class JournalDigest {
 public:
  explicit JournalDigest(DigestEngine engine = DigestEngine::kFastest);
  void Reset();
  void Update(const char* bytes, std::size_t size);
  void Update(std::string_view bytes) { Update(bytes.data(), bytes.size()); }
  // The 40 lower-case hexadecimal digits; the hasher starts afresh afterwards.
  std::string Finish();

  bool UsesShaInstructions() const;
  static bool ProcessorHasShaInstructions();

 private:
  void (*compress_)(std::uint32_t* state, const unsigned char* blocks, std::size_t count);
  std::uint32_t state_[5];
  unsigned char block_[64];
  std::size_t filled_ = 0;
  std::uint32_t length_ = 0;  // the stored format keeps 32 bits
};

// The digest text of one message.
std::string JournalDigestOf(std::string_view message);

}  // namespace tarvik::journal
