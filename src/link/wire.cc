#include "link/wire.h"

namespace tarvik::link::wire {

std::string CheckBytes(std::string_view body) {
  std::uint8_t x = 0;
  std::uint8_t sum = 0;
  for (char c : body) {
    auto b = static_cast<std::uint8_t>(c);
    x ^= b;
    sum = static_cast<std::uint8_t>(sum + b);
  }
  sum = static_cast<std::uint8_t>(sum + x);
  std::string out;
  out += static_cast<char>(x);
  out += static_cast<char>(static_cast<std::uint8_t>(0x100 - sum));
  return out;
}

std::string Frame(std::string_view body) {
  std::string out(body);
  out += CheckBytes(body);
  return out;
}

bool CheckFrame(std::string_view frame) {
  if (frame.size() < 2) return false;
  std::uint8_t x = 0;
  for (std::size_t i = 0; i + 2 < frame.size(); ++i) x ^= static_cast<std::uint8_t>(frame[i]);
  if (x != static_cast<std::uint8_t>(frame[frame.size() - 2])) return false;
  std::uint8_t sum = 0;
  for (char c : frame) sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(c));
  return sum == 0;
}

std::string EndMarker() {
  return Frame("\xFF\xFF");
}

bool StartsEndMarker(std::string_view bytes) {
  return bytes.size() >= 2 && static_cast<std::uint8_t>(bytes[0]) == kEndByte &&
         static_cast<std::uint8_t>(bytes[1]) == kEndByte;
}

std::string Stuff(std::string_view frame) {
  std::string out;
  out.reserve(frame.size() * 2);
  for (char c : frame) {
    out += c;
    if (static_cast<std::uint8_t>(c) == kEndByte) out += c;
  }
  return out;
}

std::string Unstuffer::Feed(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    if (dropNext_) {
      dropNext_ = false;
      continue;
    }
    out += c;
    if (static_cast<std::uint8_t>(c) == kEndByte) dropNext_ = true;
  }
  return out;
}

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<std::uint8_t>(bytes[i]);
    if (i) out += ' ';
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

}  // namespace tarvik::link::wire
