// The compression functions behind JournalDigest: each takes whole 64-byte
// blocks whose message words are read least significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarvik::journal::digest_blocks {

using CompressFunction = void (*)(std::uint32_t* state, const unsigned char* blocks,
                                  std::size_t count);

void CompressPortable(std::uint32_t* state, const unsigned char* blocks, std::size_t count);

// Null when this processor (or this build's target) has no SHA instructions.
CompressFunction ShaInstructions();

}  // namespace tarvik::journal::digest_blocks
