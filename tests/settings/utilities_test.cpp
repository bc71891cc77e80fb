#include <climits>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/settings/settings_test_util.h"

using namespace lvx::test;

namespace {

std::string DebugValue(int n) {
  char key[16], out[1100];
  std::snprintf(key, sizeof key, "error%d", n);
  MainSettings.ReadString("Debug", key, out, "<none>", sizeof out);
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

  // The owner reports during its destruction, while the first box is still marked as showing.
  std::string err = Stderr([&] { ShowProblem(owner, "first problem", 1); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "first problem"));
  EXPECT_EQ(0, Boxes(err, "PROBLEM", "Internal error #2"));
  EXPECT_FALSE(IsWindow(owner));

  err = Stderr([] { InternalError(nullptr, 4512); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #4512"));
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
  Trace("x");
  EXPECT_EQ(998u, lvx::TraceBufferForTests().size());
}

TEST(TraceBuffer, FlushStoresNumberedEntriesWithAnEndMarker) {
  StartRun();
  TraceFlush();  // nothing gathered: nothing written
  EXPECT_EQ("<none>", DebugValue(1));

  Trace("universe - 160");
  Trace("Moon - 3425");
  TraceFlush();
  EXPECT_EQ("", lvx::TraceBufferForTests());
  EXPECT_EQ("<none>", DebugValue(1));  // number 1 went to the log's start mark
  EXPECT_EQ("universe - 160 , Moon - 3425  ", DebugValue(2));
  EXPECT_EQ("---------END---------", DebugValue(3));
  std::string log = ReadFile(LogPath());
  EXPECT_NE(std::string::npos, log.find("INFO>error1= -----Start at :"));

  Trace("Moon - 3501");
  TraceFlush();
  EXPECT_EQ("Moon - 3501  ", DebugValue(3));
  EXPECT_EQ("---------END---------", DebugValue(4));
  EXPECT_EQ(1, CountOf(ReadFile(LogPath()), "Start at"));

  // A full buffer still stores below the settings store's limit.
  Trace(std::string(998, 'f').c_str());
  std::string err = Stderr(TraceFlush);
  EXPECT_EQ("", err);
  EXPECT_EQ(std::string(998, 'f'), DebugValue(4));
}

TEST(TraceBuffer, CounterWrapsAfterAThousand) {
  StartRun();
  Trace("a");
  TraceFlush();
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

TEST(TraceBuffer, ConcurrentTracesAreAllKept) {
  auto writer = [](char tag) {
    for (int i = 0; i < 50; ++i) Trace(std::string(3, tag).c_str());
  };
  std::thread a(writer, 'm');
  std::thread b(writer, 'w');
  a.join();
  b.join();
  std::string buffer = lvx::TraceBufferForTests();
  EXPECT_EQ(50, CountOf(buffer, "mmm"));
  EXPECT_EQ(50, CountOf(buffer, "www"));
  EXPECT_EQ(99, CountOf(buffer, " , "));
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
  EXPECT_EQ(0, SafeStrCpy(small, nullptr));
  EXPECT_STREQ("", small);
}

TEST(FindText, FindsIgnoringCase) {
  EXPECT_EQ(5, FindText("12345heart of gold", "HEART"));
  EXPECT_EQ(0, FindText("Peace", "peace"));
  EXPECT_EQ(-1, FindText("Peace", "love"));
  EXPECT_EQ(0, FindText("abc", ""));
  EXPECT_EQ(-1, FindText(nullptr, "a"));

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
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(0, RandomBelow(1));

  std::set<int> seen;
  for (int i = 0; i < 5000; ++i) {
    int r = RandomBelow(7);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 7);
    seen.insert(r);
  }
  EXPECT_EQ(7u, seen.size());

  // Large ranges are covered too, not only the low 16 bits.
  bool high = false;
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

TEST(TextFontLoad, SizeIsClampedAndColourAndSizeAreReadOnce) {
  StartRun();
  TextFont defaults;
  defaults.Load("Font");
  EXPECT_STREQ("Arial", defaults.FaceName());
  EXPECT_FLOAT_EQ(10.0f, defaults.Size());
  EXPECT_EQ(0xFFFF00u, defaults.Color());
  EXPECT_EQ(1, defaults.CharSet());
  EXPECT_EQ(-13, defaults.LogFont().lfHeight);  // 10 pt at 96 pixels per inch
  EXPECT_EQ(100, defaults.LogFont().lfWeight);
  EXPECT_STREQ("Arial", defaults.LogFont().lfFaceName);

  MainSettings.UserWriteFloat("Font", "FontSize", 72.0f);
  MainSettings.UserWriteString("Font", "Font", "A face name far longer than the record holds");
  MainSettings.UserWriteLong("Font", "Color", 0x0000FF);
  MainSettings.UserWriteUInt("Font", "FontCharSet", 0);
  TextFont big;
  big.Load("Font");
  EXPECT_FLOAT_EQ(34.0f, big.Size());
  EXPECT_EQ(-45, big.LogFont().lfHeight);
  EXPECT_EQ(30u, std::strlen(big.FaceName()));
  EXPECT_EQ(0x0000FFu, big.Color());
  EXPECT_EQ(0, big.LogFont().lfCharSet);

  // Once read, colour and size stay; the face and character set follow the file.
  MainSettings.UserWriteFloat("Font", "FontSize", 2.0f);
  MainSettings.UserWriteLong("Font", "Color", 0x00FF00);
  MainSettings.UserWriteString("Font", "Font", "Serif");
  big.Load("Font");
  EXPECT_FLOAT_EQ(34.0f, big.Size());
  EXPECT_EQ(0x0000FFu, big.Color());
  EXPECT_STREQ("Serif", big.FaceName());

  TextFont small;
  small.Load("Font");
  EXPECT_FLOAT_EQ(5.0f, small.Size());
  EXPECT_EQ(-7, small.LogFont().lfHeight);
  EXPECT_EQ(0x00FF00u, small.Color());

  MainSettings.UserWriteFloat("Font", "FontSize", 10.9f);
  TextFont fraction;
  fraction.Load("Font");
  EXPECT_EQ(-13, fraction.LogFont().lfHeight);  // whole points only
}

TEST(TextFontSelect, SelectAndReleaseRestoreTheDeviceContext) {
  StartRun();
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(nullptr, dc);
  COLORREF oldText = GetTextColor(dc);
  COLORREF oldBk = GetBkColor(dc);
  HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);

  TextFont font;
  font.Select(dc, RGB(1, 2, 3), RGB(4, 5, 6));
  EXPECT_TRUE(font.Selected());
  EXPECT_EQ(RGB(1, 2, 3), GetTextColor(dc));
  EXPECT_EQ(RGB(4, 5, 6), GetBkColor(dc));
  EXPECT_NE(oldFont, GetCurrentObject(dc, OBJ_FONT));
  std::string err = Stderr([&] { font.Select(dc, 0, 0); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #2358"));
  font.Release();
  EXPECT_EQ(oldText, GetTextColor(dc));
  EXPECT_EQ(oldBk, GetBkColor(dc));
  EXPECT_EQ(oldFont, GetCurrentObject(dc, OBJ_FONT));

  // Without a colour of its own the stored one is used.
  MainSettings.UserWriteLong("Font", "Color", 0x123456);
  TextFont stored;
  stored.Select(dc, CLR_INVALID, 0);
  EXPECT_EQ(0x123456u, GetTextColor(dc));
  stored.Release();

  err = Stderr([&] {
    font.Release();
    font.Select(nullptr, 0, 0);
    TextFont forgotten;
    forgotten.Select(dc, 0, 0);
  });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #2352"));
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #2351"));
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #2123"));
  DeleteDC(dc);
}

TEST(PenClass, SelectsAPenAndRestoresTheOldOne) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(nullptr, dc);
  HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN);
  PenClass pen;
  pen.Select(dc, RGB(255, 0, 0));
  EXPECT_TRUE(pen.Selected());
  EXPECT_NE(oldPen, GetCurrentObject(dc, OBJ_PEN));
  std::string err = Stderr([&] { pen.Select(dc, 0); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #821"));
  pen.Release(dc);
  EXPECT_EQ(oldPen, GetCurrentObject(dc, OBJ_PEN));
  err = Stderr([&] { pen.Release(dc); });
  EXPECT_EQ(1, Boxes(err, "PROBLEM", "Internal error #822"));
  DeleteDC(dc);
}
