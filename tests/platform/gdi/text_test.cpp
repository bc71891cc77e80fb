#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/font_engine.h"
#include "tests/platform/gdi/canvas.h"

using lvx::test::Canvas;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A font selected into a DC for the life of the object (pinned to a face the
// test script installs, so glyph sizes are known).
class UseFont {
 public:
  UseFont(HDC dc, int height, const char* face = "Liberation Sans", int weight = FW_NORMAL)
      : dc_(dc) {
    font_ = CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, face);
    old_ = SelectObject(dc, font_);
  }
  ~UseFont() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
  }
  HFONT font() const { return font_; }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

SIZE Extent(HDC dc, const std::string& s) {
  SIZE sz{-1, -1};
  EXPECT_TRUE(GetTextExtentPoint32A(dc, s.c_str(), static_cast<int>(s.size()), &sz));
  return sz;
}

std::string FaceFileOf(const LOGFONTA& lf) {
  auto f = lvx::gdi::Realize(lf);
  return f ? f->file : "";
}

LOGFONTA Logfont(const char* face, LONG height = -16) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

}  // namespace

TEST(GdiText, ExtentOfABMatchesWhatTextOutDraws) {
  Canvas c(120, 50);
  UseFont f(c.dc(), -24);
  SetTextColor(c.dc(), kWhite);
  SetBkMode(c.dc(), TRANSPARENT);
  const SIZE ab = Extent(c.dc(), "AB");
  const SIZE a = Extent(c.dc(), "A");
  const SIZE b = Extent(c.dc(), "B");
  EXPECT_EQ(ab.cx, a.cx + b.cx);  // the sum of the advances
  EXPECT_EQ(ab.cy, a.cy);
  EXPECT_GT(ab.cx, 20);
  EXPECT_LT(ab.cx, 48);
  TEXTMETRICA tm{};
  ASSERT_TRUE(GetTextMetricsA(c.dc(), &tm));
  EXPECT_EQ(ab.cy, tm.tmHeight);
  EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);

  ASSERT_TRUE(TextOutA(c.dc(), 10, 7, "AB", 2));
  const RECT lit = c.BoundsNot(0);
  ASSERT_LT(lit.left, lit.right) << "nothing drawn";
  EXPECT_GE(lit.left, 10);
  EXPECT_GE(lit.top, 7);
  EXPECT_LE(lit.right, 10 + ab.cx);
  EXPECT_LE(lit.bottom, 7 + ab.cy);
  // Capitals stand on the baseline: their lowest row is the last above the descent.
  EXPECT_EQ(lit.bottom, 7 + tm.tmAscent);
  // Without antialiasing every pixel is either the text colour or untouched.
  for (int y = 0; y < c.height(); ++y) {
    for (int x = 0; x < c.width(); ++x) ASSERT_TRUE(c.At(x, y) == 0 || c.At(x, y) == kWhite);
  }

  // The character extra moves every following glyph.
  Canvas spaced(120, 50), apart(120, 50);
  for (Canvas* k : {&spaced, &apart}) {
    SelectObject(k->dc(), f.font());
    SetTextColor(k->dc(), kWhite);
    SetBkMode(k->dc(), TRANSPARENT);
  }
  SetTextCharacterExtra(spaced.dc(), 5);
  ASSERT_TRUE(TextOutA(spaced.dc(), 10, 7, "AB", 2));
  TextOutA(apart.dc(), 10, 7, "A", 1);
  TextOutA(apart.dc(), 10 + a.cx + 5, 7, "B", 1);
  EXPECT_EQ(spaced.Pixels(), apart.Pixels());
  EXPECT_EQ(Extent(spaced.dc(), "AB").cx, ab.cx + 10);
  for (Canvas* k : {&spaced, &apart}) SelectObject(k->dc(), GetStockObject(SYSTEM_FONT));
}

TEST(GdiText, OpaqueFillsTheWholeCellAndTransparentLeavesIt) {
  const COLORREF red = RGB(200, 0, 0), blue = RGB(0, 0, 180);
  Canvas c(100, 40, red);
  UseFont f(c.dc(), -18);
  SetTextColor(c.dc(), kWhite);
  SetBkColor(c.dc(), blue);
  const SIZE plain = Extent(c.dc(), "Hi!");
  SetTextCharacterExtra(c.dc(), 2);
  const SIZE sz = Extent(c.dc(), "Hi!");
  EXPECT_EQ(sz.cx, plain.cx + 3 * 2);  // the extra follows every character
  ASSERT_TRUE(TextOutA(c.dc(), 5, 3, "Hi!", 3));
  int whites = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      const bool inCell = x >= 5 && x < 5 + sz.cx && y >= 3 && y < 3 + sz.cy;
      const COLORREF v = c.At(x, y);
      if (inCell) {
        ASSERT_TRUE(v == blue || v == kWhite) << x << "," << y;
        whites += v == kWhite;
      } else {
        ASSERT_EQ(v, red) << x << "," << y;
      }
    }
  }
  EXPECT_GT(whites, 10);

  Canvas t(100, 40, red);
  UseFont f2(t.dc(), -18);
  SetTextColor(t.dc(), kWhite);
  SetBkColor(t.dc(), blue);
  SetBkMode(t.dc(), TRANSPARENT);
  ASSERT_TRUE(TextOutA(t.dc(), 5, 3, "Hi!", 3));
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) ASSERT_NE(t.At(x, y), blue);
  }
}

TEST(GdiText, FaceNamesResolveThroughFontconfig) {
  const std::string liberation = FaceFileOf(Logfont("Liberation Sans"));
  ASSERT_NE(liberation.find("LiberationSans-Regular"), std::string::npos) << liberation;
  // A metric-compatible face stands in for Arial.
  EXPECT_EQ(FaceFileOf(Logfont("Arial")), liberation);
  // Unknown and empty names give the default sans face, never nothing.
  const std::string fallback = FaceFileOf(Logfont(""));
  EXPECT_FALSE(fallback.empty());
  EXPECT_EQ(FaceFileOf(Logfont("xx")), fallback);
  LOGFONTA bold = Logfont("Liberation Sans");
  bold.lfWeight = FW_BOLD;
  EXPECT_NE(FaceFileOf(bold).find("LiberationSans-Bold"), std::string::npos);
  LOGFONTA italic = Logfont("Liberation Sans");
  italic.lfItalic = 1;
  EXPECT_NE(FaceFileOf(italic).find("LiberationSans-Italic"), std::string::npos);
}

TEST(GdiText, HeightSignSelectsEmOrCellSize) {
  Canvas c(10, 10);
  TEXTMETRICA cell{}, em{};
  {
    UseFont f(c.dc(), 20);
    ASSERT_TRUE(GetTextMetricsA(c.dc(), &cell));
  }
  {
    UseFont f(c.dc(), -20);
    ASSERT_TRUE(GetTextMetricsA(c.dc(), &em));
  }
  EXPECT_EQ(cell.tmHeight, 20);                   // positive: the whole cell
  EXPECT_EQ(em.tmHeight - em.tmInternalLeading, 20);  // negative: the em square
  EXPECT_GT(em.tmHeight, cell.tmHeight);
  TEXTMETRICA def{};
  UseFont f(c.dc(), 0);
  ASSERT_TRUE(GetTextMetricsA(c.dc(), &def));
  EXPECT_GT(def.tmHeight, 12);
  EXPECT_LT(def.tmHeight, 24);
}

// A text canvas with the test font, white on transparent.
struct TextCanvas {
  Canvas canvas;
  UseFont font;
  explicit TextCanvas(int w, int h, int extra = 0) : canvas(w, h), font(canvas.dc(), -20) {
    SetTextColor(canvas.dc(), kWhite);
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextCharacterExtra(canvas.dc(), extra);
  }
  std::vector<std::uint32_t> Draw(const std::string& text) {
    TextOutA(canvas.dc(), 2, 2, text.data(), static_cast<int>(text.size()));
    return canvas.Pixels();
  }
  long Width(const std::string& text) { return Extent(canvas.dc(), text).cx; }
};

TEST(GdiText, Utf8AndWindows1252SpellTheSameLetters) {
  struct Pair {
    const char* name;
    std::string utf8, cp1252;
  };
  const Pair pairs[] = {
      {"e-diaeresis", "Zo\xC3\xAB", "Zo\xEB"},
      {"euro", "\xE2\x82\xAC 5", "\x80 5"},
      {"curly quotes", "\xE2\x80\x9Chi\xE2\x80\x9D", "\x93hi\x94"},
      {"sharp s and umlauts", "Gr\xC3\xBC\xC3\x9F Gott", "Gr\xFC\xDF Gott"},
  };
  for (const Pair& p : pairs) {
    // Two pixels of character extra: counted per character, not per byte.
    TextCanvas a(160, 40, 2), b(160, 40, 2);
    EXPECT_EQ(a.Draw(p.utf8), b.Draw(p.cp1252)) << p.name;
    EXPECT_EQ(a.Width(p.utf8), b.Width(p.cp1252)) << p.name;
    EXPECT_LT(a.canvas.BoundsNot(0).left, a.canvas.BoundsNot(0).right) << p.name;
  }
  // Accented letters are their own glyphs, not the plain letter or a box.
  TextCanvas plain(40, 40), accented(40, 40), euro(40, 40), box(40, 40);
  EXPECT_NE(plain.Draw("e"), accented.Draw("\xC3\xAB"));
  EXPECT_NE(euro.Draw("\xE2\x82\xAC"), box.Draw("\xEF\xBF\xBF"));
}

TEST(GdiText, CharactersBeyondTheWindowsCodePageAreDrawn) {
  // Greek capital omega and a Cyrillic letter: real glyphs, each one advance wide.
  TextCanvas omega(40, 40), zhe(40, 40), missing(40, 40);
  const auto o = omega.Draw("\xCE\xA9");
  const auto z = zhe.Draw("\xD0\x96");
  const auto m = missing.Draw("\xEF\xBF\xBF");  // a noncharacter: the missing-glyph box
  EXPECT_NE(o, z);
  EXPECT_NE(o, m);
  EXPECT_NE(z, m);
  EXPECT_EQ(omega.Width("\xCE\xA9\xCE\xA9"), 2 * omega.Width("\xCE\xA9"));
}

// DrawTextA must draw exactly what TextOutA draws for each of its lines.
class GdiDrawText : public ::testing::Test {
 protected:
  static constexpr int kW = 200, kH = 120;
  void Prepare(Canvas& c) {
    fonts_.push_back(std::make_unique<UseFont>(c.dc(), -16));
    SetTextColor(c.dc(), kWhite);
    SetBkMode(c.dc(), TRANSPARENT);
  }
  std::vector<std::unique_ptr<UseFont>> fonts_;
};

TEST_F(GdiDrawText, WordBreakBreaksAtBlanks) {
  Canvas got(kW, kH), want(kW, kH);
  Prepare(got);
  Prepare(want);
  const int lineH = Extent(got.dc(), "x").cy;
  // Room for "bb cc" but not for "aaaa   bb" nor "bb cc dddd".
  const int width = Extent(got.dc(), "bb cc").cx + 1;
  ASSERT_LT(width, Extent(got.dc(), "aaaa   bb").cx);
  ASSERT_LT(width, Extent(got.dc(), "bb cc dddd").cx);
  RECT r{0, 0, width, kH};
  const char* text = "aaaa   bb cc dddd";
  EXPECT_EQ(DrawTextA(got.dc(), text, -1, &r, DT_WORDBREAK), 3 * lineH);
  TextOutA(want.dc(), 0, 0, "aaaa", 4);
  TextOutA(want.dc(), 0, lineH, "bb cc", 5);
  TextOutA(want.dc(), 0, 2 * lineH, "dddd", 4);
  EXPECT_EQ(got.Pixels(), want.Pixels());

  RECT calc{10, 5, 10 + width, 6};
  EXPECT_EQ(DrawTextA(got.dc(), text, -1, &calc, DT_WORDBREAK | DT_CALCRECT), 3 * lineH);
  EXPECT_EQ(calc.bottom, 5 + 3 * lineH);
  EXPECT_EQ(calc.right, 10 + Extent(got.dc(), "bb cc").cx);
  EXPECT_EQ(got.Pixels(), want.Pixels());  // calculating draws nothing
}

TEST_F(GdiDrawText, LineFeedsAndCrLfStartNewLinesAndCenterAligns) {
  Canvas got(kW, kH), want(kW, kH);
  Prepare(got);
  Prepare(want);
  const int lineH = Extent(got.dc(), "x").cy;
  RECT r{0, 0, kW, kH};
  EXPECT_EQ(DrawTextA(got.dc(), "ab\ncd\r\nef", -1, &r, DT_CENTER), 3 * lineH);
  int y = 0;
  for (const char* line : {"ab", "cd", "ef"}) {
    TextOutA(want.dc(), (kW - Extent(want.dc(), line).cx) / 2, y, line, 2);
    y += lineH;
  }
  EXPECT_EQ(got.Pixels(), want.Pixels());
}

TEST_F(GdiDrawText, AWordWiderThanTheLineIsBrokenWhereItMust) {
  Canvas got(kW, kH), want(kW, kH);
  Prepare(got);
  Prepare(want);
  const int lineH = Extent(got.dc(), "x").cy;
  const std::string word = "abcdefghijkl";
  const int width = Extent(got.dc(), "abcde").cx;
  RECT r{0, 0, width, kH};
  const int h = DrawTextA(got.dc(), word.c_str(), -1, &r, DT_WORDBREAK);
  // Greedy: each line takes the longest prefix that fits.
  size_t pos = 0;
  int lines = 0;
  while (pos < word.size()) {
    size_t n = 1;
    while (pos + n < word.size() && Extent(want.dc(), word.substr(pos, n + 1)).cx <= width) ++n;
    TextOutA(want.dc(), 0, lines * lineH, word.c_str() + pos, static_cast<int>(n));
    pos += n;
    ++lines;
  }
  EXPECT_GE(lines, 2);
  EXPECT_EQ(h, lines * lineH);
  EXPECT_EQ(got.Pixels(), want.Pixels());
}

TEST_F(GdiDrawText, ABreakInsideAWordNeverSplitsALetter) {
  Canvas got(kW, kH), want(kW, kH);
  Prepare(got);
  Prepare(want);
  const int lineH = Extent(got.dc(), "x").cy;
  // A rectangle one pixel wide: every letter gets a line of its own.
  const std::string word = "\xC3\xA9t\xC3\xA9";
  RECT r{0, 0, 1, kH};
  EXPECT_EQ(DrawTextA(got.dc(), word.c_str(), -1, &r, DT_WORDBREAK | DT_NOCLIP), 3 * lineH);
  TextOutA(want.dc(), 0, 0, "\xC3\xA9", 2);
  TextOutA(want.dc(), 0, lineH, "t", 1);
  TextOutA(want.dc(), 0, 2 * lineH, "\xE9", 1);
  EXPECT_EQ(got.Pixels(), want.Pixels());
}

TEST_F(GdiDrawText, SingleLineCentresVerticallyAndClipsToTheRectangle) {
  Canvas got(kW, kH), want(kW, kH);
  Prepare(got);
  Prepare(want);
  const SIZE sz = Extent(got.dc(), "Mid");
  RECT r{20, 10, 120, 90};
  DrawTextA(got.dc(), "Mid", 3, &r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  TextOutA(want.dc(), 120 - sz.cx, 10 + (80 - sz.cy) / 2, "Mid", 3);
  EXPECT_EQ(got.Pixels(), want.Pixels());
  // Text running past the rectangle is cut at its edge.
  Canvas clip(kW, kH);
  Prepare(clip);
  RECT narrow{0, 0, 5, kH};
  DrawTextA(clip.dc(), "Wide text", -1, &narrow, 0);
  EXPECT_LE(clip.BoundsNot(0).right, 5);
  EXPECT_EQ(DrawTextA(clip.dc(), "x", 1, nullptr, 0), 0);
}
