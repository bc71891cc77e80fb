// Reading private profile files: matching, trimming, quotes, defaults,
// buffer limits and hostile contents.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <string>

#include "platform/winapi.h"
#include "tests/support/test_support.h"

namespace {

std::string Ini(const std::string& text) {
  std::string path = lvx::test::Home() + "/read.ini";
  lvx::test::WriteFile(path, text);
  return path;
}

std::string Get(const std::string& file, const char* section, const char* key,
                const char* def = "DEF") {
  char buf[256];
  std::memset(buf, '#', sizeof buf);
  DWORD n = GetPrivateProfileStringA(section, key, def, buf, sizeof buf, file.c_str());
  EXPECT_EQ(n, std::strlen(buf));
  return std::string(buf, n);
}

TEST(ProfileRead, NamesMatchWithoutRegardToCase) {
  std::string f = Ini("[Params]\nCuckoo=1\n[ Info ]\n  ini file  = x\n");
  EXPECT_EQ(Get(f, "params", "cuckoo"), "1");
  EXPECT_EQ(Get(f, "PARAMS", "CUCKOO"), "1");
  EXPECT_EQ(Get(f, "info", "INI FILE"), "x");
  EXPECT_EQ(GetPrivateProfileIntA("pArAmS", "cUcKoO", 7, f.c_str()), 1u);
}

TEST(ProfileRead, BlanksTrimmedAndMatchingQuotesStripped) {
  std::string f = Ini(
      "[s]\n"
      "plain =   two words \t\n"
      "quoted = \"  padded  \"\n"
      "empty quotes = \"\"\n"
      "open = \"abc\n"
      "close = abc\"\n"
      "inner = a\"b\"c\n"
      "lone = \"\n"
      "eq = a=b\n");
  EXPECT_EQ(Get(f, "s", "plain"), "two words");
  EXPECT_EQ(Get(f, "s", "quoted"), "  padded  ");
  EXPECT_EQ(Get(f, "s", "empty quotes"), "");
  EXPECT_EQ(Get(f, "s", "open"), "\"abc");
  EXPECT_EQ(Get(f, "s", "close"), "abc\"");
  EXPECT_EQ(Get(f, "s", "inner"), "a\"b\"c");
  EXPECT_EQ(Get(f, "s", "lone"), "\"");
  EXPECT_EQ(Get(f, "s", "eq"), "a=b");
}

TEST(ProfileRead, MissingGivesDefaultPresentEmptyGivesEmpty) {
  std::string f = Ini("top=before any section\n[s]\nempty=\nblank =   \nk=v\n");
  EXPECT_EQ(Get(lvx::test::Home() + "/none.ini", "s", "k"), "DEF");
  EXPECT_EQ(Get(lvx::test::Home() + "/no/such/dir.ini", "s", "k"), "DEF");
  EXPECT_EQ(Get(f, "other", "k"), "DEF");
  EXPECT_EQ(Get(f, "s", "missing"), "DEF");
  EXPECT_EQ(Get(f, "s", "missing", nullptr), "");
  EXPECT_EQ(Get(f, "s", "empty"), "");
  EXPECT_EQ(Get(f, "s", "blank"), "");
  EXPECT_EQ(Get(f, "s", "top"), "DEF");  // lines before the first section belong to none
  // A default keeps its blanks: the caller decides what it means.
  EXPECT_EQ(Get(f, "s", "missing", " a "), " a ");
  // A folder where the file should be reads as missing.
  EXPECT_EQ(Get(lvx::test::Home(), "s", "k"), "DEF");
}

TEST(ProfileRead, CommentsAndLinesWithoutEqualsAreIgnored) {
  std::string f = Ini(
      "; [s]\n"
      "[s]\n"
      ";k=commented\n"
      "just text\n"
      "[unterminated\n"
      "=no key\n"
      "k=real\n");
  EXPECT_EQ(Get(f, "s", "k"), "real");
  EXPECT_EQ(Get(f, "s", ";k"), "DEF");
  EXPECT_EQ(Get(f, "s", "just text"), "DEF");
  EXPECT_EQ(Get(f, "s", ""), "DEF");
}

TEST(ProfileRead, CrlfLinesReadLikeLf) {
  std::string f = Ini("[s]\r\nk = \"v\" \r\nn=12\r\nlast=x\r\n");
  EXPECT_EQ(Get(f, "s", "k"), "v");
  EXPECT_EQ(Get(f, "s", "last"), "x");
  EXPECT_EQ(GetPrivateProfileIntA("s", "n", 0, f.c_str()), 12u);
}

TEST(ProfileRead, FirstOccurrenceWinsAcrossRepeatedSections) {
  std::string f = Ini("[a]\nx=1\nx=2\n[b]\ny=0\n[A]\nx=3\nz=4\n");
  EXPECT_EQ(Get(f, "a", "x"), "1");
  EXPECT_EQ(Get(f, "a", "z"), "4");
}

TEST(ProfileRead, ResultIsCutToTheBuffer) {
  std::string f = Ini("[s]\nk=abcdef\n");
  char buf[8];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, 0, f.c_str()), 0u);
  EXPECT_EQ(buf[0], '#');  // size 0 writes nothing
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, 1, f.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, 4, f.c_str()), 3u);
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(buf[4], '#');
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buf, 7, f.c_str()), 6u);
  EXPECT_STREQ(buf, "abcdef");
  EXPECT_EQ(GetPrivateProfileStringA("s", "none", "0123456789", buf, 5, f.c_str()), 4u);
  EXPECT_STREQ(buf, "0123");
  EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", nullptr, 5, f.c_str()), 0u);
}

TEST(ProfileRead, NullKeyListsKeysNullSectionListsSections) {
  std::string f = Ini("[one]\na=1\nbb=2\nA=3\n[two]\n[ONE]\nccc=4\n");
  char buf[64];
  DWORD n = GetPrivateProfileStringA("one", nullptr, "DEF", buf, sizeof buf, f.c_str());
  EXPECT_EQ(std::string(buf, n + 1), std::string("a\0bb\0ccc\0\0", 10));
  n = GetPrivateProfileStringA(nullptr, nullptr, "DEF", buf, sizeof buf, f.c_str());
  EXPECT_EQ(std::string(buf, n + 1), std::string("one\0two\0\0", 9));

  // Too small: the last name is cut and the list still ends in two NULs.
  std::memset(buf, '#', sizeof buf);
  n = GetPrivateProfileStringA("one", nullptr, "", buf, 6, f.c_str());
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::string(buf, 7), std::string("a\0bb\0\0#", 7));
  n = GetPrivateProfileStringA("one", nullptr, "", buf, 4, f.c_str());
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(std::string(buf, 4), std::string("a\0\0\0", 4));

  // An absent or empty section is an empty list, not the default.
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetPrivateProfileStringA("two", nullptr, "DEF", buf, sizeof buf, f.c_str()), 0u);
  EXPECT_EQ(std::string(buf, 2), std::string("\0\0", 2));
  EXPECT_EQ(GetPrivateProfileStringA("none", nullptr, "DEF", buf, sizeof buf, f.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');
}

TEST(ProfileRead, IntegersParseLikeTheSystem) {
  std::string f = Ini(
      "[n]\n"
      "lead = 42abc\n"
      "neg = -7\n"
      "plus = +5\n"
      "hex = 0x1F\n"
      "HEX = 0XfF\n"
      "nohex = 0x\n"
      "neghex = -0x10\n"
      "word = abc\n"
      "empty =\n"
      "quoted = \" 12\"\n"
      "big = 99999999999999999999\n"
      "small = -99999999999999999999\n"
      "allbits = 0xFFFFFFFF\n"
      "hugehex = 0x1234567890\n");
  auto get = [&](const char* k) { return GetPrivateProfileIntA("n", k, 1234, f.c_str()); };
  EXPECT_EQ(get("lead"), 42u);
  EXPECT_EQ(static_cast<INT>(get("neg")), -7);
  EXPECT_EQ(get("plus"), 5u);
  EXPECT_EQ(get("hex"), 31u);
  EXPECT_EQ(get("nohex"), 0u);
  EXPECT_EQ(static_cast<INT>(get("neghex")), -16);
  EXPECT_EQ(get("word"), 0u);
  EXPECT_EQ(get("empty"), 1234u);
  EXPECT_EQ(get("missing"), 1234u);
  EXPECT_EQ(get("quoted"), 12u);
  EXPECT_EQ(static_cast<INT>(get("big")), INT_MAX);
  EXPECT_EQ(static_cast<INT>(get("small")), INT_MIN);
  EXPECT_EQ(get("allbits"), 0xFFFFFFFFu);
  EXPECT_EQ(get("hugehex"), 0xFFFFFFFFu);
  EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntA("n", "none", -3, "/nonexistent/x.ini")), -3);
}

// Random bytes with NULs, brackets, equals signs and a very long line must
// read (and write) in linear time without touching memory they do not own.
TEST(ProfileRead, MegabytesOfGarbageNeitherCrashNorHang) {
  std::mt19937 rng(12345);
  const char alphabet[] = "[]=;\"\r\n \tabcAB\0\xff";
  std::string junk;
  junk.reserve(6 << 20);
  for (int i = 0; i < (4 << 20); ++i) junk += alphabet[rng() % (sizeof alphabet)];
  junk += "\n[s]\nkey = found\n";
  junk.append(2 << 20, 'x');  // one 2 MB line without an end
  std::string f = Ini(junk);

  EXPECT_EQ(Get(f, "s", "key"), "found");
  char list[4096];
  GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, f.c_str());
  GetPrivateProfileStringA("a", nullptr, "", list, sizeof list, f.c_str());
  ASSERT_TRUE(WritePrivateProfileStringA("s", "key", "again", f.c_str()));
  EXPECT_EQ(Get(f, "s", "key"), "again");
  EXPECT_EQ(lvx::test::ReadFile(f).size(), junk.size() - 2);  // "key = found" -> "key=again"
}

// Hundreds of thousands of distinct keys in one section: listing them must
// not compare every key with every other.
TEST(ProfileRead, ManyKeysListInReasonableTime) {
  std::string text = "[big]\n";
  for (int i = 0; i < 300000; ++i) text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  std::string f = Ini(text);
  std::string buf(8 << 20, '#');
  DWORD n = GetPrivateProfileStringA("big", nullptr, "", buf.data(), static_cast<DWORD>(buf.size()),
                                     f.c_str());
  EXPECT_GT(n, 300000u * 5);
  EXPECT_EQ(buf.compare(0, 10, std::string("key0\0key1\0", 10)), 0);
  EXPECT_EQ(GetPrivateProfileIntA("BIG", "KEY299999", 0, f.c_str()), 299999u);
}

}  // namespace
