// UTF-8 with stray bytes read as Windows-1252: decoding, conversion and cuts.
#include <gtest/gtest.h>

#include <vector>

#include <string>

#include "platform/winapi.h"

namespace {

struct Decoded {
  const char* name;
  std::string text;
  std::uint32_t codePoint;
  std::size_t length;
};

}  // namespace

TEST(TextEncoding, FirstCharacterOfEachKindOfInput) {
  const Decoded cases[] = {
      {"ascii", "A", 'A', 1},
      {"two-byte e-diaeresis", "\xC3\xAB", 0xEB, 2},
      {"three-byte euro", "\xE2\x82\xAC", 0x20AC, 3},
      {"four-byte emoji", "\xF0\x9F\x8C\x99", 0x1F319, 4},
      {"Windows-1252 e-diaeresis", "\xEBx", 0xEB, 1},
      {"Windows-1252 euro", "\x80", 0x20AC, 1},
      {"Windows-1252 curly quote", "\x93", 0x201C, 1},
      {"undefined Windows-1252 byte", "\x81", 0x81, 1},
      {"lead byte cut short", "\xC3", 0xC3, 1},
      {"lead byte before ascii",
       "\xC3"
       "A",
       0xC3, 1},
      {"overlong slash", "\xC0\xAF", 0xC0, 1},
      {"overlong three-byte", "\xE0\x80\xAF", 0xE0, 1},
      {"surrogate", "\xED\xA0\x80", 0xED, 1},
      {"above U+10FFFF", "\xF4\x90\x80\x80", 0xF4, 1},
      {"lone continuation", "\xA9", 0xA9, 1},
      {"0xFF", "\xFF", 0xFF, 1},
  };
  for (const Decoded& c : cases) {
    const lvx::TextChar ch = lvx::DecodeChar(c.text, 0);
    EXPECT_EQ(ch.codePoint, c.codePoint) << c.name;
    EXPECT_EQ(ch.length, c.length) << c.name;
  }
}

TEST(TextEncoding, ToUtf8KeepsValidTextAndConvertsStrayBytes) {
  EXPECT_EQ(lvx::ToUtf8("Bonne nuit Zo\xC3\xAB"), "Bonne nuit Zo\xC3\xAB");
  EXPECT_EQ(lvx::ToUtf8("Bonne nuit Zo\xEB"), "Bonne nuit Zo\xC3\xAB");
  EXPECT_EQ(lvx::ToUtf8("\x80 5"), "\xE2\x82\xAC 5");
  // A file of mixed origin: each part is read by its own rule.
  EXPECT_EQ(lvx::ToUtf8("caf\xC3\xA9 & caf\xE9"), "caf\xC3\xA9 & caf\xC3\xA9");
  EXPECT_EQ(lvx::ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  // The scrambling marker byte of stored secrets survives as a character.
  EXPECT_EQ(lvx::ToUtf8("\xFF"), "\xC3\xBF");
  // Into a buffer (the log's lines): the same bytes, whole characters only.
  char out[8];
  const std::string mixed = "a\xE9\xC3\xA9\x80";  // a, é (two ways), €
  EXPECT_EQ(std::string(out, lvx::ToUtf8Into(mixed, out, sizeof out)), lvx::ToUtf8(mixed));
  EXPECT_EQ(std::string(out, lvx::ToUtf8Into(mixed, out, 7)), "a\xC3\xA9\xC3\xA9");
  EXPECT_EQ(lvx::ToUtf8Into(mixed, out, 2), 1u) << "no half of the first \xC3\xA9";
  EXPECT_EQ(lvx::ToUtf8Into(mixed, out, 0), 0u);
  // Whatever the input, the output decodes without a single stray byte.
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  const std::string converted = lvx::ToUtf8(all);
  std::vector<char> into(converted.size());
  ASSERT_EQ(lvx::ToUtf8Into(all, into.data(), into.size()), converted.size());
  EXPECT_EQ(std::string(into.begin(), into.end()), converted);
  EXPECT_EQ(lvx::ToUtf8(converted), converted);
}

TEST(TextEncoding, CutsNeverSplitACharacter) {
  struct Cut {
    const char* name;
    std::string text;
    std::size_t limit;
    std::size_t expected;
  };
  const std::string e2 = "\xC3\xAB";            // U+00EB
  const std::string euro = "\xE2\x82\xAC";      // U+20AC
  const std::string moon = "\xF0\x9F\x8C\x99";  // U+1F319
  const Cut cuts[] = {
      {"short text is not cut", "abc", 5, 3},
      {"exact length is not cut", "abcde", 5, 5},
      {"ascii cut at the limit", "abcdef", 5, 5},
      {"two-byte across the limit", "abcd" + e2 + "x", 5, 4},
      {"two-byte ending at the limit", "abc" + e2 + "x", 5, 5},
      {"three-byte, one byte in", "abcd" + euro, 5, 4},
      {"three-byte, two bytes in", "abc" + euro, 5, 3},
      {"four-byte, three bytes in", "ab" + moon, 5, 2},
      {"four-byte ending at the limit", "a" + moon + "z", 5, 5},
      {"Windows-1252 bytes are characters", "abcd\xEB\xEB", 5, 5},
      {"invalid lead is one character",
       "abcd\xC3"
       "A",
       5, 5},
      {"limit zero", e2, 0, 0},
  };
  for (const Cut& c : cuts)
    EXPECT_EQ(lvx::CutLength(std::string_view(c.text), c.limit), c.expected) << c.name;
  // The terminated form reads no further than it needs.
  const std::string text = std::string(77, 'a') + e2 + "tail";
  EXPECT_EQ(lvx::CutLength(text.c_str(), 78), 77u);
  EXPECT_EQ(lvx::CutLength(text.c_str(), 79), 79u);
  EXPECT_EQ(lvx::CutLength(static_cast<const char*>(nullptr), 10), 0u);
}
