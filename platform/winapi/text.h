// The program's text encoding. Text is UTF-8; a byte that does not belong to
// a valid UTF-8 sequence is a Windows-1252 character on its own, so files
// written by older programs in that code page still read correctly. Stored
// bytes are never rewritten on reading: the rule is applied where text turns
// into characters (glyphs, GTK, X properties, the log).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lvx {

// The character that starts at text[at] (at < text.size()): its code point
// and its length in bytes (1 to 4).
struct TextChar {
  std::uint32_t codePoint;
  std::size_t length;
};
TextChar DecodeChar(std::string_view text, std::size_t at);

// The Unicode code point of a Windows-1252 byte (the five bytes the code page
// leaves undefined map to the control characters of the same number).
std::uint32_t Cp1252ToUnicode(unsigned char byte);

// The text as valid UTF-8: valid sequences are kept, every other byte is
// converted from Windows-1252.
std::string ToUtf8(std::string_view text);
// The same into `out`, as many whole characters as `capacity` bytes hold;
// returns the bytes written. Allocates nothing.
std::size_t ToUtf8Into(std::string_view text, char* out, std::size_t capacity);

// Where to cut text so that at most `limit` bytes remain and no character is
// split: `limit` itself, or the start of the character that reaches past it.
// Texts no longer than `limit` are not cut (their length is returned).
std::size_t CutLength(std::string_view text, std::size_t limit);
// The same for a terminated text; only the first limit + 3 bytes are read.
std::size_t CutLength(const char* text, std::size_t limit);

}  // namespace lvx
