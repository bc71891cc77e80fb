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
  DWORD n = GetPrivateProfileStringA(section, key, def, buf, sizeof buf, file.c_str());
  EXPECT_EQ(n, std::strlen(buf));
  return std::string(buf, n);
}

TEST(ProfileRead, MatchingTrimmingQuotesAndDefaults) {
  std::string f =
      Ini("top=before any section\n"
          "; [Params]\n"
          "[Params]\r\n"
          "Cuckoo=1\r\n"
          "  plain =   two words \t\n"
          "quoted = \"  padded  \"\n"
          "half = \"abc\n"
          "inner = a\"b\"c\n"
          "empty =\n"
          ";commented=1\n"
          "just text\n"
          "[unterminated\n"
          "=no key\n"
          "eq = a=b\n"
          "[ Info ]\n"
          "ini file = x\n"
          "[params]\n"
          "Cuckoo=2\n"
          "later=3\n");
  const struct {
    const char *section, *key, *want;
  } cases[] = {{"params", "cuckoo", "1"},
               {"PARAMS", "CUCKOO", "1"},
               {"Params", "later", "3"},
               {"params", "plain", "two words"},
               {"params", "quoted", "  padded  "},
               {"params", "half", "\"abc"},
               {"params", "inner", "a\"b\"c"},
               {"params", "empty", ""},
               {"params", "eq", "a=b"},
               {"params", "missing", "DEF"},
               {"params", "top", "DEF"},
               {"params", ";commented", "DEF"},
               {"params", "just text", "DEF"},
               {"params", "", "DEF"},
               {"info", "INI FILE", "x"},
               {"other", "cuckoo", "DEF"}};
  for (const auto& c : cases)
    EXPECT_EQ(Get(f, c.section, c.key), c.want) << c.section << "/" << c.key;
  EXPECT_EQ(Get(f, "params", "missing", nullptr), "");
  EXPECT_EQ(Get(f, "params", "missing", " a "), " a ");  // the caller's default as given
  EXPECT_EQ(Get(lvx::test::Home() + "/none.ini", "params", "cuckoo"), "DEF");
  EXPECT_EQ(Get(lvx::test::Home(), "params", "cuckoo"), "DEF");  // a folder, not a file
}

TEST(ProfileRead, ResultsAndListsAreCutToTheBuffer) {
  std::string f = Ini("[one]\na=1\nbb=abcdef\nA=3\n[two]\n[]\n[ONE]\nccc=4\n");
  char buf[64];
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetPrivateProfileStringA("one", "bb", "", buf, 0, f.c_str()), 0u);
  EXPECT_EQ(buf[0], '#');  // size 0 writes nothing
  EXPECT_EQ(GetPrivateProfileStringA("one", "bb", "", buf, 1, f.c_str()), 0u);
  EXPECT_EQ(buf[0], '\0');
  EXPECT_EQ(GetPrivateProfileStringA("one", "bb", "", buf, 4, f.c_str()), 3u);
  EXPECT_EQ(std::string(buf, 5), std::string("abc\0#", 5));
  EXPECT_EQ(GetPrivateProfileStringA("one", "bb", "", buf, 7, f.c_str()), 6u);
  EXPECT_EQ(GetPrivateProfileStringA("one", "x", "0123456789", buf, 5, f.c_str()), 4u);
  EXPECT_STREQ(buf, "0123");
  EXPECT_EQ(GetPrivateProfileStringA("one", "bb", "", nullptr, 5, f.c_str()), 0u);

  // Null key lists the keys, null section the sections: NUL-separated, NUL NUL at the end.
  DWORD n = GetPrivateProfileStringA("one", nullptr, "DEF", buf, sizeof buf, f.c_str());
  EXPECT_EQ(std::string(buf, n + 1), std::string("a\0bb\0ccc\0\0", 10));
  n = GetPrivateProfileStringA(nullptr, nullptr, "DEF", buf, sizeof buf, f.c_str());
  EXPECT_EQ(std::string(buf, n + 1), std::string("one\0two\0\0", 9));
  // Too small: the last name is cut and the list still ends in two NULs.
  std::memset(buf, '#', sizeof buf);
  EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buf, 6, f.c_str()), 4u);
  EXPECT_EQ(std::string(buf, 7), std::string("a\0bb\0\0#", 7));
  EXPECT_EQ(GetPrivateProfileStringA("one", nullptr, "", buf, 4, f.c_str()), 2u);
  EXPECT_EQ(std::string(buf, 4), std::string("a\0\0\0", 4));
  // An empty section is an empty list, not the default.
  EXPECT_EQ(GetPrivateProfileStringA("two", nullptr, "DEF", buf, sizeof buf, f.c_str()), 0u);
  EXPECT_EQ(std::string(buf, 2), std::string("\0\0", 2));
}

TEST(ProfileRead, IntegersParseLikeTheSystem) {
  std::string f =
      Ini("[n]\nlead = 42abc\nneg = -7\nplus = +5\nhex = 0x1F\nHEX2 = 0XfF\nnohex = 0x\n"
          "neghex = -0x10\nword = abc\nempty =\nquoted = \" 12\"\nbig = 99999999999999999999\n"
          "small = -99999999999999999999\nallbits = 0xFFFFFFFF\nhugehex = 0x1234567890\n");
  const struct {
    const char* key;
    UINT want;
  } cases[] = {{"lead", 42},
               {"neg", static_cast<UINT>(-7)},
               {"plus", 5},
               {"hex", 31},
               {"hex2", 255},
               {"nohex", 0},
               {"neghex", static_cast<UINT>(-16)},
               {"word", 0},
               {"empty", 1234},
               {"missing", 1234},
               {"quoted", 12},
               {"big", INT_MAX},
               {"small", static_cast<UINT>(INT_MIN)},
               {"allbits", 0xFFFFFFFF},
               {"hugehex", 0xFFFFFFFF}};
  for (const auto& c : cases)
    EXPECT_EQ(GetPrivateProfileIntA("N", c.key, 1234, f.c_str()), c.want) << c.key;
  EXPECT_EQ(GetPrivateProfileIntA("n", "x", -3, "/nonexistent/x.ini"), static_cast<UINT>(-3));
}

// Random bytes with NULs, brackets, equals signs and a very long line must
// read and write in linear time without touching memory they do not own.
TEST(ProfileRead, MegabytesOfGarbageNeitherCrashNorHang) {
  std::mt19937 rng(12345);
  const char alphabet[] = "[]=;\"\r\n \tabcAB\0\xff";
  std::string junk;
  for (int i = 0; i < (4 << 20); ++i) junk += alphabet[rng() % sizeof alphabet];
  junk += "\n[s]\nkey = found\n";
  junk.append(2 << 20, 'x');  // one 2 MB line without an end
  std::string f = Ini(junk);
  EXPECT_EQ(Get(f, "s", "key"), "found");
  char list[4096];
  GetPrivateProfileStringA(nullptr, nullptr, "", list, sizeof list, f.c_str());
  GetPrivateProfileStringA("a", nullptr, "", list, sizeof list, f.c_str());
  ASSERT_TRUE(WritePrivateProfileStringA("s", "key", "again", f.c_str()));
  EXPECT_EQ(Get(f, "s", "key"), "again");
  EXPECT_EQ(lvx::test::ReadFile(f).size(), junk.size() - 2);  // only that line changed
}

// Listing 300000 distinct keys must not compare every key with every other.
TEST(ProfileRead, ManyKeysListInReasonableTime) {
  std::string text = "[big]\n";
  for (int i = 0; i < 300000; ++i)
    text += "key" + std::to_string(i) + "=" + std::to_string(i) + "\n";
  std::string f = Ini(text);
  std::string buf(8 << 20, '#');
  DWORD n = GetPrivateProfileStringA("big", nullptr, "", buf.data(), static_cast<DWORD>(buf.size()),
                                     f.c_str());
  EXPECT_GT(n, 300000u * 5);
  EXPECT_EQ(GetPrivateProfileIntA("BIG", "KEY299999", 0, f.c_str()), 299999u);
}

}  // namespace
