// UTF-8 with a Windows-1252 fallback for stray bytes (see platform/winapi/text.h).
#include <cstring>

#include "platform/winapi/text.h"

namespace lvx {
namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at text[at], 0 when there is none. Only
// shortest forms of scalar values count: no overlong forms, no surrogates,
// nothing above U+10FFFF.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const std::size_t left = text.size() - at;
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  if (lead < 0xC2 || lead > 0xF4) return 0;
  const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (left < length) return 0;
  // The second byte's range depends on the lead byte.
  unsigned char low = 0x80, high = 0xBF;
  if (lead == 0xE0) low = 0xA0;
  if (lead == 0xED) high = 0x9F;
  if (lead == 0xF0) low = 0x90;
  if (lead == 0xF4) high = 0x8F;
  if (byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!IsContinuation(byte(i))) return 0;
  return length;
}

// The UTF-8 bytes of a code point below 0x10000; returns how many.
std::size_t EncodeUtf8(std::uint32_t cp, char out[3]) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | (cp >> 12));
  out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (cp & 0x3F));
  return 3;
}

}  // namespace

std::uint32_t Cp1252ToUnicode(unsigned char byte) {
  static constexpr std::uint16_t k80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  if (byte >= 0x80 && byte < 0xA0) return k80[byte - 0x80];
  return byte;
}

TextChar DecodeChar(std::string_view text, std::size_t at) {
  if (at >= text.size()) return TextChar{0, 0};
  const std::size_t length = SequenceLength(text, at);
  const auto b = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[at + i]));
  };
  switch (length) {
    case 1:
      return TextChar{b(0), 1};
    case 2:
      return TextChar{((b(0) & 0x1F) << 6) | (b(1) & 0x3F), 2};
    case 3:
      return TextChar{((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F), 3};
    case 4:
      return TextChar{
          ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F), 4};
    default:
      return TextChar{Cp1252ToUnicode(static_cast<unsigned char>(text[at])), 1};
  }
}

std::string ToUtf8(std::string_view text) {
  // Every byte becomes at most three.
  std::string out(3 * text.size(), '\0');
  out.resize(ToUtf8Into(text, out.data(), out.size()));
  return out;
}

std::size_t ToUtf8Into(std::string_view text, char* out, std::size_t capacity) {
  std::size_t used = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = SequenceLength(text, i);
    char bytes[3];
    const char* piece = text.data() + i;
    std::size_t size = length;
    if (length == 0) {
      size = EncodeUtf8(Cp1252ToUnicode(static_cast<unsigned char>(text[i])), bytes);
      piece = bytes;
    }
    if (size > capacity - used) break;  // whole characters only
    std::memcpy(out + used, piece, size);
    used += size;
    i += length > 0 ? length : 1;
  }
  return used;
}

std::size_t CutLength(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return text.size();
  // A lead byte is always where decoding starts (continuation bytes never
  // lead), so only a valid sequence beginning in the last three bytes before
  // the limit can reach across it.
  for (std::size_t back = 1; back <= 3 && back <= limit; ++back) {
    const std::size_t at = limit - back;
    const unsigned char b = static_cast<unsigned char>(text[at]);
    if (b < 0x80) break;
    if (b < 0xC2) continue;
    const std::size_t length = SequenceLength(text, at);
    if (length > back) return at;
    break;
  }
  return limit;
}

std::size_t CutLength(const char* text, std::size_t limit) {
  if (text == nullptr) return 0;
  const std::size_t seen = limit > static_cast<std::size_t>(-1) - 3 ? limit : limit + 3;
  return CutLength(std::string_view(text, strnlen(text, seen)), limit);
}

}  // namespace lvx
