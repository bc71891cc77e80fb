#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

// Scrambles into a heap buffer of exactly `size` bytes, so a write past it is caught.
std::string ScrambleIn(const std::string& clear, std::size_t size) {
  std::unique_ptr<char[]> buffer(new char[size]);
  std::size_t n = clear.size() < size ? clear.size() : size - 1;
  std::memcpy(buffer.get(), clear.data(), n);
  buffer[n] = '\0';
  Scramble(buffer.get(), size);
  return buffer.get();
}

std::string UnscrambleCopy(const std::string& scrambled) {
  std::unique_ptr<char[]> buffer(new char[scrambled.size() + 1]);
  std::memcpy(buffer.get(), scrambled.c_str(), scrambled.size() + 1);
  Unscramble(buffer.get());
  return buffer.get();
}

bool NoByteBelow34(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 34) return false;
  return true;
}

}  // namespace

TEST(Scramble, EveryByteValueRoundTripsAndStaysPrintable) {
  int marked = 0;
  for (int c = 1; c < 256; ++c) {
    std::string clear(1, static_cast<char>(c));
    std::string s = ScrambleIn(clear, 3);
    ASSERT_TRUE(NoByteBelow34(s)) << c;
    ASSERT_TRUE(s.size() == 1 || (s.size() == 2 && static_cast<unsigned char>(s[0]) == 0xFF)) << c;
    // A lone 0xFF would be read as the marker.
    if (s.size() == 1) ASSERT_NE(0xFF, static_cast<unsigned char>(s[0])) << c;
    marked += s.size() == 2;
    ASSERT_EQ(clear, UnscrambleCopy(s)) << c;
  }
  // The 34 codes below 34 all come from text bytes, each behind the marker.
  EXPECT_EQ(34, marked);

  std::string all;
  for (int c = 255; c >= 1; --c) all += static_cast<char>(c);
  std::string s = ScrambleIn(all, 600);
  EXPECT_TRUE(NoByteBelow34(s));
  EXPECT_EQ(all, UnscrambleCopy(s));
  EXPECT_NE(all, s);
}

TEST(Scramble, StoredFormIsStable) {
  // Values already in users' files must keep reading back: pin the scheme.
  EXPECT_EQ("Nd^MdS\xFF" "B", ScrambleIn("secret!", 16));
  EXPECT_EQ("secret!", UnscrambleCopy("Nd^MdS\xFF" "B"));
  EXPECT_EQ("", ScrambleIn("", 4));
  EXPECT_EQ("", UnscrambleCopy(""));
}

TEST(Scramble, LongestSecretFitsItsWorstCaseBuffer) {
  // Bytes that all need the marker: the output is twice the input.
  std::string markedOnly;
  for (int c = 1; c < 256 && markedOnly.size() < 34; ++c)
    if (ScrambleIn(std::string(1, static_cast<char>(c)), 3).size() == 2)
      markedOnly += static_cast<char>(c);
  ASSERT_EQ(34u, markedOnly.size());
  std::string secret;
  while (secret.size() < 499) secret += markedOnly[secret.size() % markedOnly.size()];

  std::string err = Stderr([&] {
    std::string s = ScrambleIn(secret, 2 * 499 + 1);
    EXPECT_EQ(998u, s.size());
    EXPECT_EQ(secret, UnscrambleCopy(s));
  });
  EXPECT_EQ("", err);
}

TEST(Scramble, LimitsAreReportedAndCutNeverOverrun) {
  std::string secret;
  for (int i = 0; i < 499; ++i) secret += static_cast<char>(1 + i % 255);

  // Output larger than the caller's buffer: 4811, cut before a whole pair.
  std::string s;
  std::string err = Stderr([&] { s = ScrambleIn(secret, 300); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #4811"));
  EXPECT_LE(s.size(), 299u);
  EXPECT_TRUE(NoByteBelow34(s));
  std::string back = UnscrambleCopy(s);
  EXPECT_EQ(secret.substr(0, back.size()), back);
  EXPECT_GT(back.size(), 100u);

  // Input over 499 characters: 4810, only the first 499 are scrambled.
  std::string longer = secret + "tail";
  err = Stderr([&] { s = ScrambleIn(longer, 1200); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #4810"));
  EXPECT_EQ(secret, UnscrambleCopy(s));

  err = Stderr([&] { EXPECT_EQ(499u, UnscrambleCopy(std::string(600, 'x')).size()); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #4820"));
}

TEST(Scramble, DamagedInputNeverGrowsOrOverruns) {
  // A marker at the very end, markers in a row, bytes that decode to NUL.
  const char* inputs[] = {"\xFF", "ab\xFF", "\xFF\xFF\xFF\xFF", "\xFF\x01zz", "\x21\x22\x23"};
  for (const char* in : inputs) {
    std::string out = UnscrambleCopy(in);
    EXPECT_LE(out.size(), std::strlen(in));
  }
}
