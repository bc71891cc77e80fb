// Error reporting, the breadcrumb trace and small shared helpers.
#pragma once

#include <cstddef>
#include <string>

#include "platform/winapi.h"

// A modal "PROBLEM" box ("Internal error #%u" or the text); a report that
// arrives while one is showing (from any thread) is dropped. With destroy set
// the owner window is destroyed afterwards.
void InternalError(HWND owner, unsigned number, int destroy = 0);
void ShowProblem(HWND owner, const char* text, int destroy = 0);

// Breadcrumbs, gathered in a 1000-byte buffer and stored in the main settings
// (section "Debug", keys "error1".."error1000") by TraceFlush. Thread-safe.
void Trace(const char* text);
void TraceFlush();

// Copies at most `size` characters and terminates; the destination must hold
// size + 1 bytes. Returns 1 (and logs a warning) when the source was cut.
int SafeStrCpy(char* destination, const char* source, std::size_t size);
template <std::size_t N>
int SafeStrCpy(char (&destination)[N], const char* source) {
  return SafeStrCpy(destination, source, N - 1);
}

// Offset of pattern in text, ignoring ASCII letter case, or -1.
int FindText(const char* text, const char* pattern);

// The program's one random source: 0..n-1, and 0 for n <= 0. Thread-safe.
int RandomBelow(int n);

// Opens the user's mail program with a new message: the shell opens
// "mailto:%s?subject=%s&cc=%s&body=%s" built from the texts as they are
// (callers write "%0A%0D" for line breaks). Texts of 5000 characters or more
// in total are reported as internal error 4112 and the body is cut so that
// the link stays below that. Returns 1 when the desktop took the link.
int OpenMailLink(const char* recipient, const char* copyRecipient, const char* subject,
                 const char* body);
// The folder chooser; 1 and the chosen folder in `path`, or 0 when cancelled
// (`path` unchanged). A buffer smaller than 260 is internal error 7724.
int BrowseForFolder(HWND owner, const char* title, char* path, int size);
// The file chooser for kind "WAV", "MID" or "BMP" (a filter of that type,
// plus "All files" except for BMP), with `path` preselected. Non-zero and
// the chosen path in `path` when a file was chosen. A buffer smaller than 261
// is internal error 2394; a cancelled or failed choice runs LogCommDlgError.
int OpenFileDialog(HWND owner, const char* title, const char* kind, char* path, int size);
// Logs "CommDlgError" with the name of the last standard dialog failure.
void LogCommDlgError();
// Runs dialog `dialogId` modally; a result of -1 shows "Dialog Box returned
// -1" in a "PROBLEM" box (unless one is showing). `param` reaches the
// procedure as WM_INITDIALOG's lParam.
INT_PTR RunDialog(HINSTANCE instance, int dialogId, HWND parent, DLGPROC proc, LPARAM param = 0);

// The user's message font from a per-user settings section ("Font").
class TextFont {
 public:
  TextFont();
  ~TextFont();
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;

  void Load(const char* section);
  // Lets the user choose face, size and colour (font chooser with colour),
  // then stores them in per-user "Font" ("Font", "FontSize", "FontCharSet",
  // "Color"); after Cancel the unchanged values are stored again. The next
  // text rendered uses them.
  void Choose(HWND window);
  // A size set here wins over the stored "FontSize" (read only while unset).
  void SetSize(float size) { size_ = size; }
  // textColor CLR_INVALID keeps the stored colour; any other colour wins.
  void Select(HDC dc, COLORREF textColor, COLORREF backColor);
  void Release();

  const LOGFONTA& LogFont() const { return logFont_; }
  const char* FaceName() const { return faceName_; }
  float Size() const { return size_; }
  int CharSet() const { return charSet_; }
  // The stored (or given) text colour; CLR_INVALID until read.
  COLORREF Color() const { return static_cast<COLORREF>(color_); }
  bool Selected() const { return selected_ != 0; }

 private:
  char faceName_[LF_FACESIZE];
  float size_;
  int charSet_;
  int selected_;
  LOGFONTA logFont_;
  HFONT font_;
  HGDIOBJ oldFont_;
  long color_;
  COLORREF oldTextColor_;
  COLORREF oldBkColor_;
  HDC dc_;
};

// A solid 1-pixel pen selected into a device context and restored again.
class PenClass {
 public:
  PenClass();
  ~PenClass();
  PenClass(const PenClass&) = delete;
  PenClass& operator=(const PenClass&) = delete;

  void Select(HDC dc, COLORREF color);
  void Release(HDC dc);
  bool Selected() const { return selected_ != 0; }

 private:
  int selected_;
  HPEN pen_;
  HGDIOBJ oldPen_;
};

namespace lvx {
// Tests: restart the random source with a fixed seed.
void SeedRandomForTests(unsigned seed);
// Tests: the breadcrumbs gathered since the last flush.
std::string TraceBufferForTests();
// Tests: the number of the last "error" key written.
void SetTraceCounterForTests(unsigned counter);
// Tests: trace buffer, counter, first-flush flag and problem-box flag as at
// program start.
void ResetUtilitiesForTests();
}  // namespace lvx
