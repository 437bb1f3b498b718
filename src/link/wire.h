// The bytes of the register link that both ends must agree on: the two check
// bytes behind every frame body, the control values, and the doubling of
// 0xFF on TCP/IP. Shared by the utility and the register emulator, and pinned
// by known-answer tests so that a mistake cannot cancel out between the ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvik::link::wire {

inline constexpr std::uint8_t kAcknowledge = 0x06;
inline constexpr std::uint8_t kReject = 0x15;
inline constexpr std::uint8_t kEndByte = 0xFF;  // two of them start the end marker

inline constexpr std::uint8_t kReadCommand = 0xD9;
inline constexpr std::uint8_t kReadCommandFiscal = 0xD7;
inline constexpr std::uint8_t kWriteCommand = 0xD0;
inline constexpr std::uint8_t kWriteCommandFiscal = 0xD3;
inline constexpr std::uint8_t kIdentifyCommand = 0xE9;

inline constexpr std::size_t kMaxBody = 255;  // the check sums count with 8-bit indexes
inline constexpr std::size_t kReplyLength = 4;

// The XOR of the body, then the two's complement of the 8-bit sum of the body
// and the XOR byte, so that all bytes of the frame add up to 0.
std::string CheckBytes(std::string_view body);
// body + CheckBytes(body).
std::string Frame(std::string_view body);
// A frame of m >= 2 bytes passes when the XOR of bytes 0..m-3 equals byte m-2
// and the 8-bit sum of all m bytes is 0.
bool CheckFrame(std::string_view frame);

// The end marker FF FF 00 02.
std::string EndMarker();
// Whether the first two bytes are 0xFF 0xFF (an end marker, whatever follows).
bool StartsEndMarker(std::string_view bytes);

// TCP/IP: every 0xFF is followed by one more.
std::string Stuff(std::string_view frame);

// Removes the doubling from a byte stream that may arrive in pieces: a 0xFF
// at the end of one piece drops the first byte of the next.
class Unstuffer {
 public:
  std::string Feed(std::string_view bytes);
  void Reset() { dropNext_ = false; }

 private:
  bool dropNext_ = false;
};

// "D9 01 03 DB 48": upper-case hex, one blank between bytes.
std::string Hex(std::string_view bytes);

}  // namespace tarvik::link::wire
