#include <climits>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

std::string DebugValue(int n) {
  char out[1100];
  MainSettings.ReadString("Debug", ("error" + std::to_string(n)).c_str(), out, "-", sizeof out);
  return out;
}

// An active log and an initialised main settings file.
void StartRun() {
  WriteFile(LogPath(), "");
  LogFile.Init(LogPath().c_str(), "Lumivex.ini");
  LogFile.Clear();
  ASSERT_EQ(0, MainSettings.Init("$CURRENT", "\\Lumivex.ini"));
}

LRESULT CALLBACK ReportingOnDestroy(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) InternalError(nullptr, 2);
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

TEST(Problem, ASecondReportWhileTheBoxIsUpIsDropped) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = ReportingOnDestroy;
  wc.lpszClassName = "ProblemOwner";
  ASSERT_NE(0, RegisterClassA(&wc));
  HWND owner = CreateWindowExA(0, "ProblemOwner", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(nullptr, owner);
  // The owner reports while it is destroyed, with the first box still marked as showing.
  std::string err = Stderr([&] {
    ShowProblem(owner, "first problem", 1);
    InternalError(nullptr, 4512);
  });
  EXPECT_EQ("MessageBox [PROBLEM] first problem\nMessageBox [PROBLEM] Internal error #4512\n", err);
  EXPECT_FALSE(IsWindow(owner));
}

TEST(TraceBuffer, PiecesThatDoNotFitBecomeStrCatOrNothing) {
  Trace("universe - 160");
  Trace("Moon - 3425");
  EXPECT_EQ("universe - 160 , Moon - 3425", lvx::TraceBufferForTests());
  lvx::ResetUtilitiesForTests();
  Trace(std::string(980, 'a').c_str());
  Trace(std::string(20, 'b').c_str());  // 983 + 20 does not fit, the marker does
  EXPECT_EQ(std::string(980, 'a') + " , *StrCat*", lvx::TraceBufferForTests());
  lvx::ResetUtilitiesForTests();
  Trace(std::string(995, 'a').c_str());
  Trace("abc");  // the separator still fits (998), neither text nor marker does
  EXPECT_EQ(std::string(995, 'a') + " , ", lvx::TraceBufferForTests());
}

TEST(TraceBuffer, FlushStoresNumberedEntriesWithAnEndMarkerAndWraps) {
  StartRun();
  TraceFlush();  // nothing gathered: nothing written
  EXPECT_EQ("-", DebugValue(1));
  Trace("universe - 160");
  Trace("Moon - 3425");
  TraceFlush();
  EXPECT_EQ("", lvx::TraceBufferForTests());
  EXPECT_EQ("-", DebugValue(1));  // number 1 went to the log's start mark
  EXPECT_EQ("universe - 160 , Moon - 3425  ", DebugValue(2));
  EXPECT_EQ("---------END---------", DebugValue(3));
  Trace(std::string(998, 'f').c_str());  // a full buffer still fits the store
  std::string err = Stderr(TraceFlush);
  EXPECT_EQ("", err);
  EXPECT_EQ(std::string(998, 'f'), DebugValue(3));
  EXPECT_EQ("---------END---------", DebugValue(4));
  std::string log = ReadFile(LogPath());
  EXPECT_EQ(1, CountOf(log, "INFO>error1= -----Start at :" + lvx::LocalTimeText().substr(0, 10)));

  lvx::SetTraceCounterForTests(999);
  Trace("b");
  TraceFlush();
  EXPECT_EQ("b  ", DebugValue(1000));
  EXPECT_EQ("---------END---------", DebugValue(1001));
  Trace("c");
  TraceFlush();
  EXPECT_EQ("c  ", DebugValue(1));
  EXPECT_EQ("---------END---------", DebugValue(2));
}

TEST(SafeStrCpy, CopiesBoundedAndReportsACut) {
  StartRun();
  std::string before = ReadFile(LogPath());
  std::unique_ptr<char[]> exact(new char[11]);
  EXPECT_EQ(1, SafeStrCpy(exact.get(), "0123456789", 10));
  EXPECT_STREQ("0123456789", exact.get());
  std::string log = ReadFile(LogPath());
  EXPECT_EQ("WARNING>SafeStrCpy - lenght error= 0123456789\n", log.substr(before.size()));

  std::unique_ptr<char[]> roomy(new char[12]);
  EXPECT_EQ(0, SafeStrCpy(roomy.get(), "0123456789", 11));
  EXPECT_STREQ("0123456789", roomy.get());
  EXPECT_EQ(log, ReadFile(LogPath()));
  char small[5];
  EXPECT_EQ(1, SafeStrCpy(small, "abcdefgh"));
  EXPECT_STREQ("abcd", small);
}

TEST(SafeStrCpy, ACutKeepsWholeCharacters) {
  StartRun();
  // A message of 77 letters and "e-diaeresis" (two bytes) across the 78-byte limit.
  const std::string message = std::string(77, 'n') + "\xC3\xAB!";
  char cut[79];
  EXPECT_EQ(1, SafeStrCpy(cut, message.c_str(), 78));
  EXPECT_EQ(std::string(77, 'n'), cut);
  // Ending exactly at the limit, the character stays.
  const std::string fits = std::string(76, 'n') + "\xC3\xAB!";
  EXPECT_EQ(1, SafeStrCpy(cut, fits.c_str(), 78));
  EXPECT_EQ(std::string(76, 'n') + "\xC3\xAB", cut);
  // A hand-edited Windows-1252 letter is a character of one byte.
  const std::string latin = std::string(77, 'n') + "\xEB!";
  EXPECT_EQ(1, SafeStrCpy(cut, latin.c_str(), 78));
  EXPECT_EQ(std::string(77, 'n') + "\xEB", cut);
  // A three-byte euro sign two bytes past the limit goes whole.
  const std::string euro = std::string(77, 'n') + "\xE2\x82\xAC";
  EXPECT_EQ(1, SafeStrCpy(cut, euro.c_str(), 78));
  EXPECT_EQ(std::string(77, 'n'), cut);
}

TEST(FindText, FindsIgnoringCaseWithinItsLimit) {
  EXPECT_EQ(5, FindText("12345heart of gold", "HEART"));
  EXPECT_EQ(-1, FindText("Peace", "love"));
  std::string big(5000, 'x');
  big.replace(10, 4, "Moon");
  big.replace(4500, 4, "Star");
  std::string err = Stderr([&] {
    EXPECT_EQ(10, FindText(big.c_str(), "MOON"));
    EXPECT_EQ(-1, FindText(big.c_str(), "star"));  // beyond the 3999 compared characters
  });
  EXPECT_EQ(2, Boxes(err, "PROBLEM", "Internal error #4512"));
}

TEST(RandomBelow, StaysInRangeAndRepeatsForASeed) {
  EXPECT_EQ(0, RandomBelow(0));
  EXPECT_EQ(0, RandomBelow(-5));
  std::set<int> seen;
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(0, RandomBelow(1));
    int r = RandomBelow(7);
    ASSERT_TRUE(r >= 0 && r < 7) << r;
    seen.insert(r);
  }
  EXPECT_EQ(7u, seen.size());
  bool high = false;  // not only the low 16 bits
  for (int i = 0; i < 100 && !high; ++i) high = RandomBelow(INT_MAX) > 0xFFFF;
  EXPECT_TRUE(high);

  auto draw = [] {
    std::vector<int> v;
    for (int i = 0; i < 20; ++i) v.push_back(RandomBelow(1000));
    return v;
  };
  lvx::SeedRandomForTests(42);
  std::vector<int> a = draw();
  lvx::SeedRandomForTests(42);
  EXPECT_EQ(a, draw());
  lvx::SeedRandomForTests(43);
  EXPECT_NE(a, draw());
}

TEST(TextFont, SizeIsClampedAndColourAndSizeAreReadOnce) {
  StartRun();
  TextFont defaults;
  defaults.Load("Font");
  EXPECT_STREQ("Arial", defaults.LogFont().lfFaceName);
  EXPECT_EQ(0xFFFF00u, defaults.Color());
  EXPECT_EQ(1, defaults.LogFont().lfCharSet);
  EXPECT_EQ(-13, defaults.LogFont().lfHeight);  // 10 pt at 96 pixels per inch
  EXPECT_EQ(100, defaults.LogFont().lfWeight);

  MainSettings.UserWriteFloat("Font", "FontSize", 72.0f);
  MainSettings.UserWriteString("Font", "Font", "A face name far longer than the record holds");
  MainSettings.UserWriteLong("Font", "Color", 0x0000FF);
  TextFont big;
  big.Load("Font");
  EXPECT_FLOAT_EQ(34.0f, big.Size());
  EXPECT_EQ(-45, big.LogFont().lfHeight);
  EXPECT_EQ(30u, std::strlen(big.FaceName()));
  EXPECT_EQ(0x0000FFu, big.Color());

  MainSettings.UserWriteFloat("Font", "FontSize", 2.0f);
  MainSettings.UserWriteLong("Font", "Color", 0x00FF00);
  big.Load("Font");
  EXPECT_FLOAT_EQ(34.0f, big.Size());
  EXPECT_EQ(0x0000FFu, big.Color());
  TextFont small;
  small.Load("Font");
  EXPECT_FLOAT_EQ(5.0f, small.Size());
  EXPECT_EQ(0x00FF00u, small.Color());
  MainSettings.UserWriteFloat("Font", "FontSize", 10.9f);
  TextFont fraction;
  fraction.Load("Font");
  EXPECT_EQ(-13, fraction.LogFont().lfHeight);  // whole points only
}

TEST(TextFont, SelectAndReleaseRestoreTheDeviceContext) {
  StartRun();
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(nullptr, dc);
  COLORREF oldText = GetTextColor(dc), oldBk = GetBkColor(dc);
  HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
  TextFont font;
  font.Select(dc, RGB(1, 2, 3), RGB(4, 5, 6));
  EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
  EXPECT_EQ(RGB(4, 5, 6), GetBkColor(dc));
  EXPECT_NE(oldFont, GetCurrentObject(dc, OBJ_FONT));
  std::string err = Stderr([&] { font.Select(dc, 0, 0); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #2358"));
  font.Release();
  EXPECT_EQ(oldText, GetTextColor(dc));
  EXPECT_EQ(oldBk, GetBkColor(dc));
  EXPECT_EQ(oldFont, GetCurrentObject(dc, OBJ_FONT));

  MainSettings.UserWriteLong("Font", "Color", 0x123456);
  TextFont stored;  // without a colour of its own, the stored one
  stored.Select(dc, CLR_INVALID, 0);
  EXPECT_EQ(0x123456u, GetTextColor(dc));
  stored.Release();
  err = Stderr([&] {
    font.Release();
    font.Select(nullptr, 0, 0);
    TextFont forgotten;
    forgotten.Select(dc, 0, 0);
  });
  EXPECT_EQ("MessageBox [PROBLEM] Internal error #2352\nMessageBox [PROBLEM] Internal error #2351\n"
            "MessageBox [PROBLEM] Internal error #2123\n", err);
  DeleteDC(dc);
}

TEST(PenClass, SelectsAPenAndRestoresTheOldOne) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN);
  PenClass pen;
  pen.Select(dc, RGB(255, 0, 0));
  EXPECT_NE(oldPen, GetCurrentObject(dc, OBJ_PEN));
  std::string err = Stderr([&] { pen.Select(dc, 0); });
  pen.Release(dc);
  EXPECT_EQ(oldPen, GetCurrentObject(dc, OBJ_PEN));
  err += Stderr([&] { pen.Release(dc); });
  EXPECT_EQ("MessageBox [PROBLEM] Internal error #821\nMessageBox [PROBLEM] Internal error #822\n",
            err);
  DeleteDC(dc);
}
