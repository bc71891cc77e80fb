// Fonts and text: CreateFont*, TextOutA, extents, metrics and DrawTextA.
//
// A line of text occupies a cell whose top-left corner is the given point:
// its width is the sum of the glyph advances plus the character extra after
// every character, its height the font's ascent plus descent. TextOutA and
// GetTextExtentPoint32A use the same sums, so a measured text is exactly the
// size of what is drawn. Text is UTF-8, a stray byte a Windows-1252 character
// (lvx::DecodeChar); the character extra follows every character, not every byte.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/gdi/font_engine.h"
#include "platform/gdi/gdi_internal.h"

using namespace lvx;
using namespace lvx::gdi;

namespace {

RealizedFont* FontOf(DC* dc) {
  FontObject* f = dc->font;
  if (!f) return nullptr;
  if (!f->realized) f->realized = Realize(f->logfont);
  return f->realized.get();
}

long long LineWidth(RealizedFont& font, std::string_view text, int extra) {
  long long w = 0;
  for (std::size_t i = 0; i < text.size();) {
    const TextChar ch = DecodeChar(text, i);
    w += font.GlyphFor(ch.codePoint).advance + extra;
    i += ch.length;
  }
  return w;
}

struct TextStyle {
  std::uint32_t fg = 0;
  std::uint32_t bg = 0;
  bool opaque = false;
  int extra = 0;
};

inline std::uint32_t Blend(std::uint32_t dst, std::uint32_t src, unsigned a) {
  auto ch = [&](int shift) {
    const unsigned d = (dst >> shift) & 0xFFu, s = (src >> shift) & 0xFFu;
    return ((s * a + d * (255u - a) + 127u) / 255u) << shift;
  };
  return ch(16) | ch(8) | ch(0);
}

// Draws one line with its cell's top-left corner at (x, y), inside `clip`.
void DrawLine(Surface& s, const RECT& clip, RealizedFont& font, long long x, long long y,
              std::string_view text, const TextStyle& st, RECT* touched) {
  const int cellH = font.ascent + font.descent;
  const long long width = LineWidth(font, text, st.extra);
  RECT area{0, 0, 0, 0};
  if (st.opaque && width > 0) {
    RECT cell{static_cast<LONG>(std::clamp<long long>(x, -0x40000000LL, 0x40000000LL)),
              static_cast<LONG>(std::clamp<long long>(y, -0x40000000LL, 0x40000000LL)),
              static_cast<LONG>(std::clamp<long long>(x + width, -0x40000000LL, 0x40000000LL)),
              static_cast<LONG>(std::clamp<long long>(y + cellH, -0x40000000LL, 0x40000000LL))};
    if (Intersect(cell, clip, &cell)) {
      for (int yy = cell.top; yy < cell.bottom; ++yy) {
        std::fill(s.Row(yy) + cell.left, s.Row(yy) + cell.right, st.bg);
      }
      area = cell;
    }
  }
  const long long baseline = y + font.ascent;
  long long pen = x;
  for (std::size_t i = 0; i < text.size();) {
    const TextChar ch = DecodeChar(text, i);
    i += ch.length;
    const Glyph& g = font.GlyphFor(ch.codePoint);
    const long long gx = pen + g.left, gy = baseline - g.top;
    pen += g.advance + st.extra;
    if (g.width <= 0 || g.height <= 0) continue;
    const long long x0 = std::max<long long>(gx, clip.left);
    const long long x1 = std::min<long long>(gx + g.width, clip.right);
    const long long y0 = std::max<long long>(gy, clip.top);
    const long long y1 = std::min<long long>(gy + g.height, clip.bottom);
    if (x0 >= x1 || y0 >= y1) continue;
    for (long long yy = y0; yy < y1; ++yy) {
      const std::uint8_t* cov = g.coverage.data() + (yy - gy) * g.width;
      std::uint32_t* row = s.Row(static_cast<int>(yy));
      for (long long xx = x0; xx < x1; ++xx) {
        const unsigned a = cov[xx - gx];
        if (a == 255) {
          row[xx] = st.fg;
        } else if (a != 0) {
          row[xx] = Blend(row[xx], st.fg, a);
        }
      }
    }
    const RECT gr{static_cast<LONG>(x0), static_cast<LONG>(y0), static_cast<LONG>(x1),
                  static_cast<LONG>(y1)};
    if (area.left >= area.right) {
      area = gr;
    } else {
      area = RECT{std::min(area.left, gr.left), std::min(area.top, gr.top),
                  std::max(area.right, gr.right), std::max(area.bottom, gr.bottom)};
    }
  }
  if (area.left < area.right) {
    if (touched->left >= touched->right) {
      *touched = area;
    } else {
      *touched = RECT{std::min(touched->left, area.left), std::min(touched->top, area.top),
                      std::max(touched->right, area.right), std::max(touched->bottom, area.bottom)};
    }
  }
}

TextStyle StyleOf(DC* dc) {
  TextStyle st;
  st.fg = ColorRefToPixel(dc->textColor);
  st.bg = ColorRefToPixel(dc->bkColor);
  st.opaque = dc->bkMode == OPAQUE;
  st.extra = dc->charExtra;
  return st;
}

struct Line {
  std::size_t begin = 0, end = 0;  // byte range of the line's text
};

bool IsBreakChar(char c) { return c == '\n' || c == '\r'; }

// Splits `text` into the lines DrawTextA shows: LF, CR LF and a lone CR end a
// line (unless single-line); with word breaking, a line that is too wide
// breaks after its last blank that fits, a single word too wide for the
// rectangle breaks between characters, and the blanks at a break vanish.
std::vector<Line> LayOut(RealizedFont& font, std::string_view text, int extra, long long maxWidth,
                         UINT format) {
  std::vector<Line> lines;
  const bool single = (format & DT_SINGLELINE) != 0;
  const bool wrap = (format & DT_WORDBREAK) != 0 && !single;
  std::size_t pos = 0;
  while (true) {
    std::size_t end = pos;
    if (!single) {
      while (end < text.size() && !IsBreakChar(text[end])) ++end;
    } else {
      end = text.size();
    }
    // The paragraph [pos, end).
    if (!wrap) {
      lines.push_back({pos, end});
    } else {
      std::size_t start = pos;
      do {
        long long w = 0;
        std::size_t i = start, lastBlank = std::string_view::npos;
        std::size_t firstLength = 1;
        while (i < end) {
          const TextChar ch = DecodeChar(text.substr(0, end), i);
          if (i == start) firstLength = ch.length;
          const long long adv = font.GlyphFor(ch.codePoint).advance + extra;
          if (text[i] == ' ') lastBlank = i;
          if (w + adv > maxWidth && text[i] != ' ') break;
          w += adv;
          i += ch.length;
        }
        std::size_t lineEnd = i, next = i;
        if (i < end) {
          if (lastBlank != std::string_view::npos && lastBlank > start) {
            lineEnd = lastBlank;  // break at the last blank that fits
            next = lastBlank + 1;
            while (lineEnd > start && text[lineEnd - 1] == ' ') --lineEnd;
          } else if (i == start) {
            lineEnd = next = start + firstLength;  // not even one character fits
          }
          while (next < end && text[next] == ' ') ++next;
        }
        lines.push_back({start, lineEnd});
        start = next;
      } while (start < end);
    }
    if (single || end >= text.size()) break;
    pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    if (pos >= text.size()) {
      lines.push_back({pos, pos});  // a trailing line break opens an empty line
      break;
    }
  }
  return lines;
}

}  // namespace

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
  if (!lf) return nullptr;
  auto f = std::make_unique<FontObject>();
  f->logfont = *lf;
  f->logfont.lfFaceName[LF_FACESIZE - 1] = '\0';  // a name that fills the array is cut
  HFONT h = f.get();
  Register(std::move(f));
  return h;
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight,
                  DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                  DWORD outPrecision, DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily,
                  LPCSTR faceName) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic != 0);
  lf.lfUnderline = static_cast<BYTE>(underline != 0);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName) {
    std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  }
  return CreateFontIndirectA(&lf);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int length, LPSIZE size) {
  DC* dc = FindDC(hdc);
  if (!dc || !size || length < 0 || (!text && length > 0)) return FALSE;
  RealizedFont* font = FontOf(dc);
  if (!font) return FALSE;
  const long long w = LineWidth(*font, std::string_view(text ? text : "", length), dc->charExtra);
  size->cx = static_cast<LONG>(std::clamp<long long>(w, -0x7FFFFFFFLL, 0x7FFFFFFFLL));
  size->cy = font->ascent + font->descent;
  return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* tm) {
  DC* dc = FindDC(hdc);
  if (!dc || !tm) return FALSE;
  RealizedFont* font = FontOf(dc);
  if (!font) return FALSE;
  tm->tmHeight = font->ascent + font->descent;
  tm->tmAscent = font->ascent;
  tm->tmDescent = font->descent;
  tm->tmInternalLeading = std::max(0, tm->tmHeight - font->em);
  tm->tmExternalLeading = font->externalLeading;
  tm->tmAveCharWidth = font->aveCharWidth > 0 ? font->aveCharWidth : font->GlyphFor('x').advance;
  tm->tmMaxCharWidth = font->maxCharWidth;
  tm->tmWeight = font->weight;
  return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
  DC* dc = FindDC(hdc);
  if (!dc || length < 0 || (!text && length > 0)) return FALSE;
  if (length == 0) return TRUE;
  RealizedFont* font = FontOf(dc);
  if (!font) return FALSE;
  Target t;
  if (!TargetOf(dc, &t)) return TRUE;
  RECT touched{0, 0, 0, 0};
  DrawLine(*t.surface, t.clip, *font, x, y, std::string_view(text, length), StyleOf(dc), &touched);
  if (touched.left < touched.right) Touch(*t.surface, touched);
  return TRUE;
}

int DrawTextA(HDC hdc, LPCSTR text, int length, LPRECT rect, UINT format) {
  DC* dc = FindDC(hdc);
  if (!dc || !rect || length < -1 || (!text && length != 0)) return 0;
  const std::string_view str = !text ? std::string_view() : length == -1 ? std::string_view(text) : std::string_view(text, length);
  RealizedFont* font = FontOf(dc);
  if (!font) return 0;
  const int lineH = font->ascent + font->descent;
  const long long boxW = static_cast<long long>(rect->right) - rect->left;
  const std::vector<Line> lines = LayOut(*font, str, dc->charExtra, boxW, format);
  const long long height = static_cast<long long>(lines.size()) * lineH;

  std::vector<long long> widths;
  widths.reserve(lines.size());
  long long widest = 0;
  for (const Line& l : lines) {
    widths.push_back(LineWidth(*font, str.substr(l.begin, l.end - l.begin), dc->charExtra));
    widest = std::max(widest, widths.back());
  }

  if (format & DT_CALCRECT) {
    rect->right = static_cast<LONG>(std::clamp<long long>(rect->left + widest, -0x7FFFFFFFLL, 0x7FFFFFFFLL));
    rect->bottom = static_cast<LONG>(std::clamp<long long>(rect->top + height, -0x7FFFFFFFLL, 0x7FFFFFFFLL));
    return static_cast<int>(std::min<long long>(height, 0x7FFFFFFF));
  }

  // Vertical placement applies to single lines only, as in GDI.
  long long top = rect->top;
  long long result = height;
  if (format & DT_SINGLELINE) {
    const long long boxH = static_cast<long long>(rect->bottom) - rect->top;
    if (format & DT_VCENTER) {
      top = rect->top + (boxH - height) / 2;
      result = top - rect->top + height;
    } else if (format & DT_BOTTOM) {
      top = rect->bottom - height;
      result = top - rect->top + height;
    }
  }

  Target t;
  if (!TargetOf(dc, &t)) return static_cast<int>(std::clamp<long long>(result, 0, 0x7FFFFFFF));
  RECT clip = t.clip;
  if (!(format & DT_NOCLIP)) {
    RECT box{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
             std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
    if (!Intersect(clip, box, &clip)) {
      return static_cast<int>(std::clamp<long long>(result, 0, 0x7FFFFFFF));
    }
  }
  const TextStyle st = StyleOf(dc);
  RECT touched{0, 0, 0, 0};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    long long x = rect->left;
    if (format & DT_CENTER) {
      x = rect->left + (boxW - widths[i]) / 2;
    } else if (format & DT_RIGHT) {
      x = rect->right - widths[i];
    }
    const long long y = top + static_cast<long long>(i) * lineH;
    if (y >= clip.bottom) break;
    DrawLine(*t.surface, clip, *font, x, y, str.substr(lines[i].begin, lines[i].end - lines[i].begin),
             st, &touched);
  }
  if (touched.left < touched.right) Touch(*t.surface, touched);
  return static_cast<int>(std::clamp<long long>(result, 0, 0x7FFFFFFF));
}
