#include <cstring>
#include <memory>
#include <string>

#include "settings/ini_file.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

// Scrambles into a heap buffer of exactly `size` bytes, so a write past it is caught.
std::string ScrambleIn(const std::string& clear, std::size_t size) {
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memcpy(buffer.get(), clear.c_str(), clear.size() + 1);
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

TEST(Scramble, EveryByteRoundTripsPrintableAndTheStoredFormIsStable) {
  std::string marked;  // the bytes that need the 0xFF marker
  for (int c = 1; c < 256; ++c) {
    std::string clear(1, static_cast<char>(c));
    std::string s = ScrambleIn(clear, 3);
    ASSERT_TRUE(NoByteBelow34(s)) << c;
    // One byte that is not the marker, or the marker and one byte.
    ASSERT_TRUE(s.size() == 1 ? s[0] != '\xFF' : s.size() == 2 && s[0] == '\xFF') << c;
    if (s.size() == 2) marked += clear;
    ASSERT_EQ(clear, UnscrambleCopy(s)) << c;
  }
  EXPECT_EQ(34u, marked.size());  // every code below 34 comes from some text byte

  // Values in users' files must keep reading back: the scheme is pinned.
  EXPECT_EQ("Nd^MdS\xFF" "B", ScrambleIn("secret!", 16));
  EXPECT_EQ("secret!", UnscrambleCopy("Nd^MdS\xFF" "B"));
  EXPECT_EQ("", UnscrambleCopy(""));

  // The longest secret, all marked bytes: twice its length, in a buffer of exactly that.
  std::string secret;
  while (secret.size() < 499) secret += marked[secret.size() % marked.size()];
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

  // 299 characters fit the buffer, their scrambled form with its markers does not.
  std::string s;
  std::string err = Stderr([&] { s = ScrambleIn(secret.substr(0, 299), 300); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #4811"));
  EXPECT_LE(s.size(), 299u);
  EXPECT_TRUE(NoByteBelow34(s));
  std::string back = UnscrambleCopy(s);
  EXPECT_EQ(secret.substr(0, back.size()), back);
  EXPECT_GT(back.size(), 200u);

  err = Stderr([&] { s = ScrambleIn(secret + "tail", 1200); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #4810"));
  EXPECT_EQ(secret, UnscrambleCopy(s));

  err = Stderr([&] { EXPECT_EQ(998u, UnscrambleCopy(std::string(1200, 'x')).size()); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #4820"));
  for (const char* damaged : {"\xFF", "ab\xFF", "\xFF\xFF\xFF", "\xFF\x01zz"})
    EXPECT_LE(UnscrambleCopy(damaged).size(), std::strlen(damaged));
}
