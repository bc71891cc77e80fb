// The dialog manager: dialogs and their controls as windows of the registry,
// their state as the model, Win32's dialog functions on top, and the modal
// loop. GTK (gtk/mirror.cpp, in the GTK module) only shows what the model holds.
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/gtk_mirror.h"
#include "platform/user/window_registry.h"

namespace lvx::dialog {
namespace {

constexpr const char* kDialogClass = "#32770";
constexpr const char* kButtonClass = "Button";
constexpr const char* kEditClass = "Edit";
constexpr const char* kStaticClass = "Static";
constexpr const char* kComboClass = "ComboBox";

// Classic base units of an 8-point dialog font at 96 pixels per inch: what
// headless dialogs use, so layouts in tests do not depend on installed fonts.
constexpr int kHeadlessBaseX = 6;
constexpr int kHeadlessBaseY = 13;

// Host ids start above any X window id (29 bits) and any headless id.
constexpr NativeId kFirstHostId = 0x40000000;

constexpr COLORREF kFrameBorder = RGB(128, 128, 128);

class DialogHost;

struct State {
  std::map<HWND, std::unique_ptr<Dialog>> dialogs;
  std::vector<HWND> order;
  std::map<HWND, std::unique_ptr<Control>> controls;
  NativeId nextId = kFirstHostId;
  Dialog* creating = nullptr;  // the dialog whose window is being made
};

State& S() {
  static State s;
  return s;
}

Mirror* MirrorOf(HWND hwnd) {
  if (Dialog* d = FindDialog(hwnd)) return d->mirror.get();
  if (Control* c = FindControl(hwnd)) {
    if (Dialog* d = FindDialog(c->dialog)) return d->mirror.get();
  }
  return nullptr;
}

// The registry's windows of dialogs are shown by their GTK mirrors (or by
// nothing, headless).
class DialogHost : public WindowHost {
 public:
  NativeId CreateWindow(const NativeWindowDesc&) override { return S().nextId++; }
  void DestroyWindow(NativeId) override {}
  void ShowWindow(NativeId id, bool show) override {
    if (Mirror* m = MirrorOf(H(id))) m->Show(H(id), show);
  }
  void MoveWindow(NativeId id, int x, int y, int width, int height) override {
    if (Mirror* m = MirrorOf(H(id))) m->Move(H(id), x, y, width, height);
  }
  void SetTitle(NativeId id, const std::string& title) override {
    if (Dialog* d = FindDialog(H(id))) {
      if (d->mirror) d->mirror->SetTitle(title);
    } else if (Control* c = FindControl(H(id))) {
      // A control's caption set through DefWindowProc: keep the model right.
      c->text = title;
      if (Mirror* m = MirrorOf(H(id))) m->Update(H(id));
    }
  }
  void Raise(NativeId id) override {
    if (Dialog* d = FindDialog(H(id))) {
      if (d->mirror) d->mirror->Raise();
    }
  }
  void Present(NativeId id, Surface&, bool) override {
    if (FindControl(H(id)) == nullptr) return;  // only pictures have pixels to show
    if (Mirror* m = MirrorOf(H(id))) m->Redraw(H(id));
  }
  void EnableWindow(NativeId id, bool enable) override {
    if (Mirror* m = MirrorOf(H(id))) m->Enable(H(id), enable);
  }
  void SetFocus(NativeId id) override {
    if (Mirror* m = MirrorOf(H(id))) m->Focus(H(id));
  }

 private:
  static HWND H(NativeId id) { return reinterpret_cast<HWND>(id); }
};

DialogHost& Host() {
  static DialogHost host;
  return host;
}

LRESULT DialogWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT ControlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The registry forgets classes when tests reset it, so this registers
// whatever is missing each time (registering an existing class fails
// harmlessly).
void EnsureClasses() {
  for (const char* name : {kDialogClass, kButtonClass, kEditClass, kStaticClass, kComboClass}) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = std::strcmp(name, kDialogClass) == 0 ? DialogWndProc : ControlWndProc;
    wc.lpszClassName = name;
    wc.cbWndExtra = std::strcmp(name, kDialogClass) == 0 ? DLGWINDOWEXTRA : 0;
    RegisterHostedClass(&wc, &Host());
  }
}

INT_PTR CallDlgProc(DLGPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  try {
    return proc(hwnd, msg, wParam, lParam);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumivex: dialog procedure failed on message 0x%X: %s\n", msg, e.what());
  } catch (...) {
    std::fprintf(stderr, "lumivex: dialog procedure failed on message 0x%X\n", msg);
  }
  return 0;
}

// Messages whose answer is the procedure's return value itself; every other
// answer travels in DWLP_MSGRESULT.
bool AnswersDirectly(UINT msg) {
  return msg == WM_INITDIALOG || (msg >= 0x0132 && msg <= 0x0138) || msg == 0x0039 ||
         msg == 0x002E || msg == 0x002F || msg == 0x0037;
}

void Notify(const Control& c, UINT code) {
  HWND target = NotifyTarget(c);
  if (target == nullptr) return;
  SendMessageA(target, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(c.id), static_cast<WORD>(code)),
               reinterpret_cast<LPARAM>(c.hwnd));
}

void MirrorUpdate(const Control& c) {
  if (Mirror* m = MirrorOf(c.hwnd)) m->Update(c.hwnd);
}

Kind KindOf(const char* className, DWORD style) {
  if (strcasecmp(className, kEditClass) == 0) return Kind::Edit;
  if (strcasecmp(className, kComboClass) == 0) return Kind::Combo;
  if (strcasecmp(className, kStaticClass) == 0) {
    switch (style & SS_TYPEMASK) {
      case SS_BITMAP:
      case SS_ICON:
        return Kind::Bitmap;
      case SS_BLACKRECT:
      case SS_GRAYRECT:
      case SS_WHITERECT:
      case SS_BLACKFRAME:
      case SS_GRAYFRAME:
      case SS_WHITEFRAME:
      case SS_ETCHEDFRAME:
      case SS_OWNERDRAW:
        return Kind::Frame;
      default:
        return Kind::Text;
    }
  }
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
      return Kind::CheckBox;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
      return Kind::Radio;
    case BS_GROUPBOX:
      return Kind::GroupBox;
    default:
      return Kind::Button;
  }
}

std::size_t CopyText(const std::string& text, char* out, std::size_t size) {
  if (out == nullptr || size == 0) return 0;
  std::size_t n = CutLength(text, size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return n;
}

// ---- Painting ----

void FillSurfaceRect(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void DrawFrameBorder(HWND frame) {
  HDC dc = GetDC(frame);
  RECT r{};
  GetClientRect(frame, &r);
  if (dc == nullptr || r.right <= 0 || r.bottom <= 0) return;
  HBRUSH brush = CreateSolidBrush(kFrameBorder);
  const RECT sides[] = {{0, 0, r.right, 1},
                        {0, r.bottom - 1, r.right, r.bottom},
                        {0, 0, 1, r.bottom},
                        {r.right - 1, 0, r.right, r.bottom}};
  for (const RECT& side : sides) FillRect(dc, &side, brush);
  DeleteObject(brush);
  ReleaseDC(frame, dc);
}

// A picture static: its image centred, shrunk to fit keeping its proportions.
void PaintBitmapStatic(Control& c) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(c.hwnd, &ps);
  RECT client{};
  GetClientRect(c.hwnd, &client);
  c.imageRect = RECT{};
  BITMAP bm{};
  if (dc != nullptr && c.image != nullptr && GetObjectA(c.image, sizeof bm, &bm) != 0 &&
      bm.bmWidth > 0 && bm.bmHeight > 0 && client.right > 0 && client.bottom > 0) {
    double scale = std::min({1.0, static_cast<double>(client.right) / bm.bmWidth,
                             static_cast<double>(client.bottom) / bm.bmHeight});
    int w = std::max(1, static_cast<int>(bm.bmWidth * scale));
    int h = std::max(1, static_cast<int>(bm.bmHeight * scale));
    int x = (client.right - w) / 2, y = (client.bottom - h) / 2;
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, c.image);
    StretchBlt(dc, x, y, w, h, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    c.imageRect = RECT{x, y, x + w, y + h};
  }
  EndPaint(c.hwnd, &ps);
}

// After the dialog procedure painted (or not): the dialog is valid and its
// picture frames carry their border, as a frame control draws itself after
// its parent.
void FinishDialogPaint(HWND hwnd) {
  if (Dialog* d = FindDialog(hwnd)) {
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    for (HWND h : d->controls) {
      Control* c = FindControl(h);
      if (c != nullptr && c->kind == Kind::Frame) {
        PAINTSTRUCT fps;
        BeginPaint(h, &fps);  // the dialog painted it
        EndPaint(h, &fps);
        DrawFrameBorder(h);
      }
    }
  }
}

// ---- Control messages ----

std::vector<HWND> RadioGroupOf(const Control& c) {
  std::vector<HWND> group;
  Dialog* d = FindDialog(c.dialog);
  if (d == nullptr) return group;
  auto it = std::find(d->controls.begin(), d->controls.end(), c.hwnd);
  if (it == d->controls.end()) return group;
  std::size_t i = static_cast<std::size_t>(it - d->controls.begin());
  std::size_t first = i;
  while (first > 0) {
    Control* k = FindControl(d->controls[first]);
    if (k != nullptr && (k->style & WS_GROUP)) break;
    --first;
  }
  for (std::size_t j = first; j < d->controls.size(); ++j) {
    Control* k = FindControl(d->controls[j]);
    if (k == nullptr) continue;
    if (j > first && (k->style & WS_GROUP)) break;
    if (k->kind == Kind::Radio) group.push_back(k->hwnd);
  }
  return group;
}

void SetCheck(Control& c, int check) {
  if (c.kind != Kind::CheckBox && c.kind != Kind::Radio) return;
  int type = static_cast<int>(c.style & BS_TYPEMASK);
  bool threeState = type == BS_3STATE || type == BS_AUTO3STATE;
  if (check == BST_INDETERMINATE && !threeState) check = BST_CHECKED;
  if (check != BST_UNCHECKED && check != BST_CHECKED && check != BST_INDETERMINATE)
    check = BST_UNCHECKED;
  if (c.check == check) return;
  c.check = check;
  MirrorUpdate(c);
}

void SetControlText(Control& c, const char* text) {
  c.text = text != nullptr ? text : "";
  if (c.kind == Kind::Edit) {
    c.modified = false;
    c.selStart = c.selEnd = 0;
  }
  MirrorUpdate(c);
  // Win32 edits report text set by the program too, except multi-line ones.
  if (c.kind == Kind::Edit && !c.IsMultiLine()) {
    Notify(c, EN_UPDATE);
    if (FindControl(c.hwnd) != nullptr) Notify(c, EN_CHANGE);
  }
}

LRESULT ButtonMessage(Control& c, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case BM_GETCHECK:
      return (c.kind == Kind::CheckBox || c.kind == Kind::Radio) ? c.check : BST_UNCHECKED;
    case BM_SETCHECK:
      SetCheck(c, static_cast<int>(wParam));
      return 0;
    case BM_GETSTATE: {
      LRESULT state = (c.kind == Kind::CheckBox || c.kind == Kind::Radio) ? c.check : 0;
      if (c.pushed) state |= BST_PUSHED;
      if (GetFocus() == c.hwnd) state |= BST_FOCUS;
      return state;
    }
    case BM_SETSTATE:
      c.pushed = wParam != 0;
      return 0;
    case BM_SETSTYLE: {
      DWORD type = static_cast<DWORD>(wParam) & BS_TYPEMASK;
      if (c.kind == Kind::Button && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
        c.style = (c.style & ~BS_TYPEMASK) | type;
        c.defaultButton = type == BS_DEFPUSHBUTTON;
        SetWindowLongA(c.hwnd, GWL_STYLE,
                       static_cast<LONG>(GetWindowLongA(c.hwnd, GWL_STYLE) & ~BS_TYPEMASK) |
                           static_cast<LONG>(type));
        MirrorUpdate(c);
      }
      return 0;
    }
    case BM_CLICK:
      if (IsWindowEnabled(c.hwnd) && IsWindowVisible(c.hwnd)) UserClick(c);
      return 0;
    default:
      return DefWindowProcA(c.hwnd, msg, wParam, 0);
  }
}

LRESULT EditMessage(Control& c, UINT msg, WPARAM wParam, LPARAM lParam) {
  const int len = static_cast<int>(c.text.size());
  switch (msg) {
    case EM_LIMITTEXT:
      c.limit = wParam == 0 ? 0x7FFFFFFE : static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
      MirrorUpdate(c);
      return 0;
    case EM_GETLIMITTEXT:
      return c.limit;
    case EM_SETPASSWORDCHAR:
      c.passwordChar = static_cast<char>(wParam & 0xFF);
      MirrorUpdate(c);
      return 0;
    case EM_GETPASSWORDCHAR:
      return static_cast<unsigned char>(c.passwordChar);
    case EM_SETREADONLY: {
      if (wParam) {
        c.style |= ES_READONLY;
      } else {
        c.style &= ~static_cast<DWORD>(ES_READONLY);
      }
      LONG style = GetWindowLongA(c.hwnd, GWL_STYLE);
      SetWindowLongA(c.hwnd, GWL_STYLE,
                     wParam ? (style | ES_READONLY) : (style & ~static_cast<LONG>(ES_READONLY)));
      MirrorUpdate(c);
      return TRUE;
    }
    case EM_GETMODIFY:
      return c.modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      c.modified = wParam != 0;
      return 0;
    case EM_GETSEL: {
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(c.selStart);
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(c.selEnd);
      return MAKELPARAM(static_cast<WORD>(std::min(c.selStart, 0xFFFF)),
                        static_cast<WORD>(std::min(c.selEnd, 0xFFFF)));
    }
    case EM_SETSEL: {
      // -1 as start removes the selection; an end of -1 means the end.
      int start = static_cast<int>(static_cast<LONG_PTR>(wParam));
      int end = static_cast<int>(lParam);
      if (start < 0) {
        c.selStart = c.selEnd = std::clamp(c.selEnd, 0, len);
      } else {
        if (end < 0 || end > len) end = len;
        start = std::min(start, len);
        c.selStart = std::min(start, end);
        c.selEnd = std::max(start, end);
      }
      MirrorUpdate(c);
      return 0;
    }
    case EM_REPLACESEL: {
      const char* text = reinterpret_cast<const char*>(lParam);
      std::string piece = text != nullptr ? text : "";
      int a = std::clamp(c.selStart, 0, len), b = std::clamp(c.selEnd, a, len);
      std::string next = c.text.substr(0, static_cast<std::size_t>(a)) + piece +
                         c.text.substr(static_cast<std::size_t>(b));
      c.text = next;
      c.selStart = c.selEnd = a + static_cast<int>(piece.size());
      c.modified = true;
      MirrorUpdate(c);
      Notify(c, EN_UPDATE);
      if (FindControl(c.hwnd) != nullptr) Notify(c, EN_CHANGE);
      return 0;
    }
    case EM_GETLINECOUNT: {
      if (!c.IsMultiLine()) return 1;
      return 1 + static_cast<LRESULT>(std::count(c.text.begin(), c.text.end(), '\n'));
    }
    default:
      return DefWindowProcA(c.hwnd, msg, wParam, lParam);
  }
}

LRESULT ComboMessage(Control& c, UINT msg, WPARAM wParam, LPARAM lParam) {
  const int count = static_cast<int>(c.items.size());
  auto validIndex = [&](WPARAM i) {
    return static_cast<LONG_PTR>(i) >= 0 && static_cast<int>(i) < count;
  };
  switch (msg) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      const char* text = reinterpret_cast<const char*>(lParam);
      std::string item = text != nullptr ? text : "";
      int at = count;
      if (msg == CB_INSERTSTRING) {
        int want = static_cast<int>(static_cast<LONG_PTR>(wParam));
        if (want > count) return CB_ERR;
        if (want >= 0) at = want;
      } else if (c.style & CBS_SORT) {
        at = 0;
        while (at < count &&
               strcasecmp(c.items[static_cast<std::size_t>(at)].c_str(), item.c_str()) <= 0)
          ++at;
      }
      c.items.insert(c.items.begin() + at, item);
      c.itemData.insert(c.itemData.begin() + at, 0);
      if (c.selection >= at) ++c.selection;
      MirrorUpdate(c);
      return at;
    }
    case CB_DELETESTRING: {
      if (!validIndex(wParam)) return CB_ERR;
      int i = static_cast<int>(wParam);
      c.items.erase(c.items.begin() + i);
      c.itemData.erase(c.itemData.begin() + i);
      if (c.selection == i) {
        c.selection = CB_ERR;
      } else if (c.selection > i) {
        --c.selection;
      }
      MirrorUpdate(c);
      return static_cast<LRESULT>(c.items.size());
    }
    case CB_RESETCONTENT:
      c.items.clear();
      c.itemData.clear();
      c.selection = CB_ERR;
      MirrorUpdate(c);
      return CB_OKAY;
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return c.selection;
    case CB_SETCURSEL:
      if (!validIndex(wParam)) {
        c.selection = CB_ERR;
        MirrorUpdate(c);
        return CB_ERR;
      }
      c.selection = static_cast<int>(wParam);
      MirrorUpdate(c);
      return c.selection;
    case CB_GETLBTEXT: {
      // Win32 trusts the caller's buffer here; CB_GETLBTEXTLEN sizes it.
      if (!validIndex(wParam) || lParam == 0) return CB_ERR;
      const std::string& item = c.items[wParam];
      std::memcpy(reinterpret_cast<char*>(lParam), item.c_str(), item.size() + 1);
      return static_cast<LRESULT>(item.size());
    }
    case CB_GETLBTEXTLEN:
      return validIndex(wParam) ? static_cast<LRESULT>(c.items[wParam].size()) : CB_ERR;
    case CB_GETITEMDATA:
      return validIndex(wParam) ? c.itemData[wParam] : CB_ERR;
    case CB_SETITEMDATA:
      if (!validIndex(wParam)) return CB_ERR;
      c.itemData[wParam] = lParam;
      return TRUE;
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
      const char* text = reinterpret_cast<const char*>(lParam);
      if (text == nullptr || count == 0) return CB_ERR;
      std::size_t n = std::strlen(text);
      int start = validIndex(wParam) ? static_cast<int>(wParam) + 1 : 0;
      for (int k = 0; k < count; ++k) {
        int i = (start + k) % count;
        const std::string& item = c.items[static_cast<std::size_t>(i)];
        bool match = msg == CB_FINDSTRINGEXACT ? strcasecmp(item.c_str(), text) == 0
                                               : strncasecmp(item.c_str(), text, n) == 0;
        if (!match) continue;
        if (msg == CB_SELECTSTRING) {
          c.selection = i;
          MirrorUpdate(c);
        }
        return i;
      }
      return CB_ERR;
    }
    case CB_SHOWDROPDOWN:
    case CB_GETDROPPEDSTATE:
      return FALSE;  // the list is the display's to drop down
    case CB_LIMITTEXT:
      return TRUE;
    default:
      return DefWindowProcA(c.hwnd, msg, wParam, lParam);
  }
}

LRESULT StaticMessage(Control& c, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case STM_SETIMAGE:
    case STM_SETICON: {
      if (msg == STM_SETIMAGE && wParam != IMAGE_BITMAP) return 0;
      HBITMAP previous = c.image;
      HBITMAP next = reinterpret_cast<HBITMAP>(msg == STM_SETICON ? wParam : lParam);
      if (c.ownsImage && previous != nullptr && previous != next) {
        DeleteObject(previous);
        previous = nullptr;  // it was ours; the caller never had it
      }
      c.image = next;
      c.ownsImage = false;
      InvalidateRect(c.hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE:
    case STM_GETICON:
      return reinterpret_cast<LRESULT>(c.image);
    default:
      return DefWindowProcA(c.hwnd, msg, wParam, lParam);
  }
}

void CreateControlRecord(HWND hwnd, const CREATESTRUCTA* cs) {
  auto c = std::make_unique<Control>();
  c->hwnd = hwnd;
  c->dialog = cs->hwndParent;
  c->id = static_cast<int>(reinterpret_cast<LONG_PTR>(cs->hMenu));
  c->style = static_cast<DWORD>(cs->style);
  c->kind = KindOf(cs->lpszClass, c->style);
  c->defaultButton = c->kind == Kind::Button && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  std::string name = cs->lpszName != nullptr ? cs->lpszName : "";
  if (c->kind == Kind::Bitmap && name.size() > 1 && name[0] == '#') {
    // "#NNN" names a bitmap resource, as in a resource script.
    c->image = LoadBitmapA(nullptr, MAKEINTRESOURCEA(std::atoi(name.c_str() + 1)));
    c->ownsImage = c->image != nullptr;
  } else {
    c->text = name;
  }
  if (c->kind == Kind::Edit && (c->style & ES_PASSWORD)) c->passwordChar = '*';
  if (c->kind == Kind::Frame) {
    // A blank frame until its dialog paints a picture into it.
    HDC dc = GetDC(hwnd);
    FillSurfaceRect(dc, RECT{0, 0, cs->cx, cs->cy}, RGB(255, 255, 255));
    ReleaseDC(hwnd, dc);
  }
  if (Dialog* d = FindDialog(c->dialog)) d->controls.push_back(hwnd);
  S().controls[hwnd] = std::move(c);
}

LRESULT ControlWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    CreateControlRecord(hwnd, reinterpret_cast<const CREATESTRUCTA*>(lParam));
    return 0;
  }
  Control* c = FindControl(hwnd);
  if (c == nullptr) return DefWindowProcA(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_SETTEXT:
      if (c->kind == Kind::Combo) return CB_ERR;  // a drop-down list has no text of its own
      SetControlText(*c, reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_GETTEXT: {
      const std::string& text =
          (c->kind == Kind::Combo)
              ? (c->selection >= 0 ? c->items[static_cast<std::size_t>(c->selection)]
                                   : std::string())
              : c->text;
      return static_cast<LRESULT>(CopyText(text, reinterpret_cast<char*>(lParam), wParam));
    }
    case WM_GETTEXTLENGTH:
      if (c->kind == Kind::Combo)
        return c->selection >= 0
                   ? static_cast<LRESULT>(c->items[static_cast<std::size_t>(c->selection)].size())
                   : 0;
      return static_cast<LRESULT>(c->text.size());
    case WM_PAINT:
      if (c->kind == Kind::Bitmap) {
        PaintBitmapStatic(*c);
      } else if (c->kind == Kind::Frame) {
        // The dialog paints its picture frames (WM_PAINT to the dialog).
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        HWND dialog = c->dialog;
        const RECT inDialog = ControlRect(hwnd, dialog);
        InvalidateRect(dialog, &inDialog, FALSE);
        // Now, so UpdateWindow on the frame paints it before returning.
        UpdateWindow(dialog);
      } else {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
      }
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETFOCUS:
      if (c->kind == Kind::Edit) Notify(*c, EN_SETFOCUS);
      if (c->kind == Kind::Combo) Notify(*c, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (c->kind == Kind::Edit) Notify(*c, EN_KILLFOCUS);
      if (c->kind == Kind::Combo) Notify(*c, CBN_KILLFOCUS);
      return 0;
    case WM_DESTROY:
      if (c->ownsImage && c->image != nullptr) DeleteObject(c->image);
      c->image = nullptr;
      if (Mirror* m = MirrorOf(hwnd)) m->ControlDestroyed(hwnd);
      return 0;
    case WM_NCDESTROY: {
      if (Dialog* d = FindDialog(c->dialog)) {
        d->controls.erase(std::remove(d->controls.begin(), d->controls.end(), hwnd),
                          d->controls.end());
      }
      S().controls.erase(hwnd);
      return 0;
    }
    default:
      break;
  }
  switch (c->kind) {
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::Radio:
    case Kind::GroupBox:
      return ButtonMessage(*c, msg, wParam, lParam);
    case Kind::Edit:
      return EditMessage(*c, msg, wParam, lParam);
    case Kind::Combo:
      return ComboMessage(*c, msg, wParam, lParam);
    case Kind::Text:
    case Kind::Frame:
    case Kind::Bitmap:
      return StaticMessage(*c, msg, wParam, lParam);
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// ---- The dialog window ----

LRESULT DialogWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CREATE) {
    Dialog* pending = S().creating;
    if (pending != nullptr && pending->hwnd == nullptr) {
      pending->hwnd = hwnd;
      S().creating = nullptr;
    }
    return 0;
  }
  Dialog* d = FindDialog(hwnd);
  if (d != nullptr && d->proc != nullptr && msg != WM_NCDESTROY) {
    NoteHeard(hwnd, msg, wParam, lParam);
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
    INT_PTR handled = CallDlgProc(d->proc, hwnd, msg, wParam, lParam);
    if (msg == WM_PAINT) {
      FinishDialogPaint(hwnd);
      return 0;
    }
    if (handled) {
      if (AnswersDirectly(msg)) return handled;
      return GetWindowLongPtrA(hwnd, DWLP_MSGRESULT);
    }
    if (msg == WM_INITDIALOG) return 0;
  }
  if (msg == WM_NCDESTROY) {
    auto& dialogs = S().dialogs;
    auto it = dialogs.find(hwnd);
    if (it != dialogs.end()) {
      // Pages die with their sheet; a sheet's mirror outlives its pages'.
      std::unique_ptr<Dialog> dead = std::move(it->second);
      dialogs.erase(it);
      S().order.erase(std::remove(S().order.begin(), S().order.end(), hwnd), S().order.end());
    }
    return 0;
  }
  return DefDlgProcA(hwnd, msg, wParam, lParam);
}

HWND FirstTabStop(const Dialog& d) {
  for (HWND h : d.controls) {
    if ((GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(h) && IsWindowVisible(h))
      return h;
  }
  return nullptr;
}

HWND DefaultButton(const Dialog& d) {
  for (HWND h : d.controls) {
    Control* c = FindControl(h);
    if (c != nullptr && c->kind == Kind::Button && c->defaultButton) return h;
  }
  return nullptr;
}

void PressButtonId(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button != nullptr && !IsWindowEnabled(button)) return;
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

void Register(std::unique_ptr<Dialog> d) {
  HWND h = d->hwnd;
  S().order.push_back(h);
  S().dialogs[h] = std::move(d);
}

}  // namespace

// ---- Model access ----

RECT ControlRect(HWND control, HWND dialog) {
  RECT r{};
  GetWindowRect(control, &r);
  POINT tl{r.left, r.top}, br{r.right, r.bottom};
  ScreenToClient(dialog, &tl);
  ScreenToClient(dialog, &br);
  return RECT{tl.x, tl.y, br.x, br.y};
}

bool Control::IsAutoCheck() const {
  DWORD type = style & BS_TYPEMASK;
  return type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE || type == BS_AUTORADIOBUTTON;
}

Dialog* FindDialog(HWND hwnd) {
  auto it = S().dialogs.find(hwnd);
  return it == S().dialogs.end() ? nullptr : it->second.get();
}

Control* FindControl(HWND hwnd) {
  auto it = S().controls.find(hwnd);
  return it == S().controls.end() ? nullptr : it->second.get();
}

Control* FindControl(HWND dialog, int id) { return FindControl(GetDlgItem(dialog, id)); }

std::vector<Dialog*> AllDialogs() {
  std::vector<Dialog*> out;
  for (HWND h : S().order)
    if (Dialog* d = FindDialog(h)) out.push_back(d);
  return out;
}

void BaseUnits(int* x, int* y) {
  if (GtkDialogsAvailable()) {
    GtkBaseUnits(x, y);
  } else {
    *x = kHeadlessBaseX;
    *y = kHeadlessBaseY;
  }
}

RECT DialogUnitsToPixels(int baseX, int baseY, short x, short y, short cx, short cy) {
  auto h = [&](int v) { return (v * baseX + 2) / 4; };
  auto v = [&](int u) { return (u * baseY + 4) / 8; };
  return RECT{h(x), v(y), h(x) + h(cx), v(y) + v(cy)};
}

HWND AddControl(HWND dialog, res::Ctl kind, int id, const char* text, RECT px, DWORD style,
                int image) {
  const char* cls = kButtonClass;
  DWORD base = WS_CHILD | WS_VISIBLE;
  std::string name = text != nullptr ? text : "";
  switch (kind) {
    case res::Ctl::PushButton:
      base |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case res::Ctl::DefPushButton:
      base |= BS_DEFPUSHBUTTON | WS_TABSTOP;
      break;
    case res::Ctl::CheckBox:
      base |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case res::Ctl::RadioButton:
      base |= BS_AUTORADIOBUTTON;
      break;
    case res::Ctl::GroupBox:
      base |= BS_GROUPBOX;
      break;
    case res::Ctl::Text:
      cls = kStaticClass;
      base |= SS_LEFT;
      break;
    case res::Ctl::Edit:
      cls = kEditClass;
      base |= ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
      break;
    case res::Ctl::ComboBox:
      cls = kComboClass;
      base |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
      break;
    case res::Ctl::Frame:
      cls = kStaticClass;
      base |= SS_BLACKFRAME;
      break;
    case res::Ctl::Bitmap:
      cls = kStaticClass;
      base |= SS_BITMAP | SS_CENTERIMAGE;
      if (image > 0) name = "#" + std::to_string(image);
      break;
  }
  EnsureClasses();
  HWND h = CreateWindowExA(0, cls, name.c_str(), base | style, px.left, px.top, px.right - px.left,
                           px.bottom - px.top, dialog,
                           reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
  return h;
}

HWND CreateDialogFromTemplate(const res::DialogTemplate* t, HWND parent, DLGPROC proc,
                              LPARAM initParam, bool page, POINT pageOrigin) {
  if (t == nullptr) return nullptr;
  EnsureClasses();
  auto d = std::make_unique<Dialog>();
  d->tmpl = t;
  d->proc = proc;
  BaseUnits(&d->baseX, &d->baseY);
  RECT size = DialogUnitsToPixels(d->baseX, d->baseY, 0, 0, t->cx, t->cy);
  int w = size.right, h = size.bottom;
  int x = 0, y = 0;
  DWORD style = t->style & ~static_cast<DWORD>(WS_VISIBLE);
  if (page) {
    d->page_sheet = parent;
    style = (style & ~static_cast<DWORD>(WS_POPUP | WS_CAPTION)) | WS_CHILD;
    x = pageOrigin.x;
    y = pageOrigin.y;
  } else {
    d->owner = parent;
    style = (style & ~static_cast<DWORD>(WS_CHILD)) | WS_POPUP;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (parent != nullptr && !(t->style & DS_CENTER)) GetWindowRect(parent, &area);
    x = area.left + std::max(0, static_cast<int>(area.right - area.left - w) / 2);
    y = area.top + std::max(0, static_cast<int>(area.bottom - area.top - h) / 2);
  }
  Dialog* raw = d.get();
  S().creating = raw;
  HWND hwnd = CreateWindowExA(0, kDialogClass, t->caption, style, x, y, w, h, parent, nullptr,
                              nullptr, nullptr);
  S().creating = nullptr;
  if (hwnd == nullptr || raw->hwnd != hwnd) return nullptr;
  // A page given as owner stands for its top-level window, as on Win32.
  if (!page) raw->owner = GetParent(hwnd);
  Register(std::move(d));
  for (std::size_t i = 0; i < t->count; ++i) {
    const res::DialogItem& item = t->items[i];
    RECT px = DialogUnitsToPixels(raw->baseX, raw->baseY, item.x, item.y, item.cx, item.cy);
    if (AddControl(hwnd, item.kind, item.id, item.text, px, item.style, item.image) == nullptr) {
      std::fprintf(stderr, "lumivex: dialog %d: control %d could not be made\n", t->id, item.id);
    }
  }
  Dialog* now = FindDialog(hwnd);
  if (now == nullptr) return nullptr;
  now->mirror = MakeMirror(*now);
  if (now->mirror) now->mirror->Build();
  HWND first = FirstTabStop(*now);
  LRESULT focusIt = SendMessageA(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
  if ((now = FindDialog(hwnd)) == nullptr) return nullptr;
  if (focusIt && first != nullptr && IsWindow(first) && !page) SetFocus(first);
  return hwnd;
}

HWND CreateSheetWindow(const std::string& caption, HWND owner, int width, int height,
                       DLGPROC sheetProc) {
  EnsureClasses();
  auto d = std::make_unique<Dialog>();
  d->proc = sheetProc;
  d->owner = owner;
  BaseUnits(&d->baseX, &d->baseY);
  int x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
  int y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);
  Dialog* raw = d.get();
  S().creating = raw;
  HWND hwnd = CreateWindowExA(0, kDialogClass, caption.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, x, y, width,
                              height, owner, nullptr, nullptr, nullptr);
  S().creating = nullptr;
  if (hwnd == nullptr || raw->hwnd != hwnd) return nullptr;
  Register(std::move(d));
  return hwnd;
}

HWND NotifyTarget(const Control& c) { return GetParent(c.hwnd); }

std::vector<HWND> RadioGroup(const Control& c) { return RadioGroupOf(c); }

// ---- The user's actions ----

void UserClick(Control& c) {
  HWND hwnd = c.hwnd;
  if (c.kind == Kind::GroupBox) return;
  if (GetFocus() != hwnd) SetFocus(hwnd);
  Control* now = FindControl(hwnd);
  if (now == nullptr) return;
  if (now->IsAutoCheck()) {
    if (now->kind == Kind::CheckBox) {
      bool three = (now->style & BS_TYPEMASK) == BS_AUTO3STATE;
      int next = now->check == BST_UNCHECKED            ? BST_CHECKED
                 : (three && now->check == BST_CHECKED) ? BST_INDETERMINATE
                                                        : BST_UNCHECKED;
      SetCheck(*now, next);
    } else if (now->kind == Kind::Radio) {
      for (HWND other : RadioGroupOf(*now)) {
        Control* o = FindControl(other);
        if (o != nullptr && o != now && o->IsAutoCheck()) SetCheck(*o, BST_UNCHECKED);
      }
      SetCheck(*now, BST_CHECKED);
    }
  } else {
    MirrorUpdate(*now);  // a check box the program sets itself: show its own state again
  }
  Notify(*now, BN_CLICKED);
}

void UserEditText(Control& c, const std::string& text) {
  HWND hwnd = c.hwnd;
  std::string cut = text.substr(0, CutLength(text, static_cast<std::size_t>(c.limit)));
  if (cut == c.text) return;
  c.text = cut;
  c.modified = true;
  c.selStart = c.selEnd = static_cast<int>(c.text.size());
  MirrorUpdate(c);
  Notify(c, EN_UPDATE);
  if (Control* now = FindControl(hwnd)) Notify(*now, EN_CHANGE);
}

void UserSelect(Control& c, int index) {
  HWND hwnd = c.hwnd;
  if (index < 0 || index >= static_cast<int>(c.items.size())) return;
  c.selection = index;
  MirrorUpdate(c);
  Notify(c, CBN_SELCHANGE);
  if (Control* now = FindControl(hwnd)) Notify(*now, CBN_SELENDOK);
}

void UserKey(HWND dialog, int vk) {
  Dialog* d = FindDialog(dialog);
  if (d == nullptr) return;
  // A page's Enter and Escape belong to its sheet.
  if ((vk == VK_RETURN || vk == VK_ESCAPE) && d->page_sheet != nullptr) {
    UserKey(d->page_sheet, vk);
    return;
  }
  if (vk == VK_ESCAPE) {
    PressButtonId(dialog, IDCANCEL);
  } else if (vk == VK_RETURN) {
    HWND focus = GetFocus();
    Control* fc = FindControl(focus);
    if (fc != nullptr && fc->kind == Kind::Button && fc->dialog == dialog) {
      UserClick(*fc);
      return;
    }
    LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    int id = HIWORD(static_cast<DWORD_PTR>(def)) == DC_HASDEFID
                 ? LOWORD(static_cast<DWORD_PTR>(def))
                 : IDOK;
    PressButtonId(dialog, id);
  } else if (vk == VK_F1) {
    HWND focus = GetFocus();
    Control* fc = FindControl(focus);
    HWND target = (fc != nullptr && IsWindow(fc->dialog)) ? fc->dialog : dialog;
    HELPINFO info{};
    info.cbSize = sizeof info;
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = fc != nullptr ? fc->id : 0;
    info.hItemHandle = fc != nullptr ? static_cast<HANDLE>(focus) : static_cast<HANDLE>(target);
    GetCursorPos(&info.MousePos);
    SendMessageA(target, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
  }
}

// ---- The modal loop ----

void PumpPending() {
  // Bounded, so a timer that falls due again while its handler runs cannot
  // keep a script from going on.
  MSG m;
  for (int i = 0; i < 10000 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    DispatchMessageA(&m);
  }
  PresentDirtyWindows();
}

INT_PTR RunModal(HWND hwnd) {
  Dialog* d = FindDialog(hwnd);
  if (d == nullptr) return -1;
  d->modal = true;
  HWND owner = d->owner;
  d->ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (d->ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(hwnd, SW_SHOW);
  if (Scripted()) {
    bool hadScript = RunScript(hwnd);
    PumpPending();
    if ((d = FindDialog(hwnd)) != nullptr && !d->ended) {
      char caption[256];
      GetWindowTextA(hwnd, caption, sizeof caption);
      std::string name =
          d->sheet ? "sheet " + std::string(caption) : "dialog " + std::to_string(d->TemplateId());
      NoteUnanswered(hadScript ? name + " left open" : name);
      UserKey(hwnd, VK_ESCAPE);
      PumpPending();
      if ((d = FindDialog(hwnd)) != nullptr && !d->ended) EndDialog(hwnd, d->sheet ? 0 : IDCANCEL);
    }
  } else if (d->mirror) {
    GtkModalLoop(hwnd);
  } else {
    MSG m;
    while ((d = FindDialog(hwnd)) != nullptr && !d->ended) {
      BOOL got = GetMessageA(&m, nullptr, 0, 0);
      if (got == 0) {
        // WM_QUIT ends the dialog and goes on to the outer loop.
        PostQuitMessage(static_cast<int>(m.wParam));
        EndDialog(hwnd, 0);
        break;
      }
      if (got < 0) break;
      DispatchMessageA(&m);
    }
  }
  d = FindDialog(hwnd);
  INT_PTR result = d != nullptr ? d->result : 0;
  if (d != nullptr && !d->ended) EndDialog(hwnd, result);
  DestroyWindow(hwnd);
  return result;
}

}  // namespace lvx::dialog

using namespace lvx::dialog;

// ---- Win32 ----

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam) {
  if (templateName == nullptr || !IS_INTRESOURCE(templateName) || proc == nullptr) return -1;
  const int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(templateName));
  const lvx::res::DialogTemplate* t = lvx::res::FindDialogTemplate(id);
  if (t == nullptr) {
    std::fprintf(stderr, "lumivex: there is no dialog %d\n", id);
    return -1;
  }
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  HWND hwnd = CreateDialogFromTemplate(t, owner, proc, initParam, false, POINT{});
  if (hwnd == nullptr) return -1;
  // WM_INITDIALOG may already have ended it.
  return RunModal(hwnd);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  Dialog* d = FindDialog(dialog);
  if (d == nullptr || d->page_sheet != nullptr) return FALSE;
  if (!d->ended) {
    d->ended = true;
    d->result = result;
    // The owner comes back before the dialog goes, so focus can return to it.
    if (d->ownerWasEnabled && IsWindow(d->owner)) EnableWindow(d->owner, TRUE);
    d->ownerWasEnabled = false;
    ShowWindow(dialog, SW_HIDE);
  }
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  Dialog* d = FindDialog(dialog);
  if (d == nullptr) return nullptr;
  for (HWND h : d->controls) {
    Control* c = FindControl(h);
    if (c != nullptr && c->id == id) return h;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND control) { return static_cast<int>(GetWindowLongPtrA(control, GWLP_ID)); }

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int maxCount) {
  if (text == nullptr || maxCount <= 0) return 0;
  text[0] = '\0';
  HWND h = GetDlgItem(dialog, id);
  if (h == nullptr) return 0;
  return static_cast<UINT>(
      SendMessageA(h, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND h = GetDlgItem(dialog, id);
  if (h == nullptr) return FALSE;
  return SendMessageA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated != nullptr) *translated = FALSE;
  HWND h = GetDlgItem(dialog, id);
  if (h == nullptr) return 0;
  char buf[64];
  SendMessageA(h, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  const char* p = buf;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (isSigned && *p == '-') {
    negative = true;
    ++p;
  }
  if (*p < '0' || *p > '9') return 0;
  unsigned long long v = 0;
  const unsigned long long limit =
      isSigned ? (negative ? 0x80000000ull : 0x7FFFFFFFull) : 0xFFFFFFFFull;
  while (*p >= '0' && *p <= '9') {
    v = v * 10 + static_cast<unsigned>(*p - '0');
    if (v > limit) return 0;
    ++p;
  }
  if (translated != nullptr) *translated = TRUE;
  if (negative) return static_cast<UINT>(-static_cast<long long>(v));
  return static_cast<UINT>(v);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char buf[24];
  if (isSigned) {
    std::snprintf(buf, sizeof buf, "%d", static_cast<int>(value));
  } else {
    std::snprintf(buf, sizeof buf, "%u", value);
  }
  return SetDlgItemTextA(dialog, id, buf);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND h = GetDlgItem(dialog, id);
  if (h == nullptr) return FALSE;
  SendMessageA(h, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND h = GetDlgItem(dialog, id);
  if (h == nullptr) return 0;
  return static_cast<UINT>(SendMessageA(h, BM_GETCHECK, 0, 0));
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
  Dialog* d = FindDialog(dialog);
  if (d == nullptr) return FALSE;
  for (HWND h : std::vector<HWND>(d->controls)) {
    Control* c = FindControl(h);
    if (c == nullptr || c->id < first || c->id > last) continue;
    SendMessageA(h, BM_SETCHECK, c->id == check ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND h = GetDlgItem(dialog, id);
  return h == nullptr ? 0 : SendMessageA(h, msg, wParam, lParam);
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  Dialog* d = FindDialog(dialog);
  if (d == nullptr || rect == nullptr) return FALSE;
  auto h = [&](LONG v) { return static_cast<LONG>((v * d->baseX + 2) / 4); };
  auto v = [&](LONG u) { return static_cast<LONG>((u * d->baseY + 4) / 8); };
  *rect = RECT{h(rect->left), v(rect->top), h(rect->right), v(rect->bottom)};
  return TRUE;
}

LRESULT DefDlgProcA(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  Dialog* d = FindDialog(dialog);
  if (d == nullptr) return DefWindowProcA(dialog, msg, wParam, lParam);
  switch (msg) {
    case WM_CLOSE:
      // The title bar's close button means Cancel.
      PressButtonId(dialog, IDCANCEL);
      return 0;
    case WM_PAINT:
      FinishDialogPaint(dialog);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_HELP:
      // Unhandled help goes to the parent, as DefWindowProc does for children.
      if (d->page_sheet != nullptr) return SendMessageA(d->page_sheet, WM_HELP, wParam, lParam);
      return TRUE;
    case DM_GETDEFID: {
      HWND def = DefaultButton(*d);
      if (def == nullptr) return 0;
      return MAKELPARAM(static_cast<WORD>(GetDlgCtrlID(def)), DC_HASDEFID);
    }
    case DM_SETDEFID: {
      for (HWND h : d->controls) {
        Control* c = FindControl(h);
        if (c == nullptr || c->kind != Kind::Button) continue;
        bool want = c->id == static_cast<int>(wParam);
        if (want != c->defaultButton)
          SendMessageA(h, BM_SETSTYLE, want ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
      }
      return TRUE;
    }
    default:
      return DefWindowProcA(dialog, msg, wParam, lParam);
  }
}

namespace lvx {

void ResetDialogsForTests() {
  for (HWND h : std::vector<HWND>(S().order)) {
    if (IsWindow(h)) DestroyWindow(h);
  }
  S().dialogs.clear();
  S().order.clear();
  S().controls.clear();
  S().creating = nullptr;
  ResetTestState();
}

}  // namespace lvx
