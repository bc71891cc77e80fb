// lumivex_dialogshot ID OUT.png        one dialog (2003, 2012, 2015, 2016, 2020)
// lumivex_dialogshot sheet N OUT.png   the "Much More Options" sheet at page N (0..6)
//
// Shows the dialog on $DISPLAY with sample content, waits until GTK has
// drawn it and saves the window as a PNG. The samples only fill controls so
// that a layout can be judged with real text in it.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/dialog/gtk_mirror.h"
#include "platform/winapi.h"
#include "resources/dialog_ids.h"

namespace {

std::string g_out;
int g_status = 1;

void Fill(HWND d, int templateId) {
  auto text = [&](int id, const char* t) { SetDlgItemTextA(d, id, t); };
  auto check = [&](int id) { CheckDlgButton(d, id, BST_CHECKED); };
  switch (templateId) {
    case IDD_MAIN:
      text(IDC_MAIN_MESSAGE, "Lumivex v3.08");
      text(IDC_MAIN_BOTTOMLINE, "For more information, please visit: https://lumivex.example.org");
      check(IDC_MAIN_MOON);
      check(IDC_MAIN_AIRPLANES);
      check(IDC_MAIN_JOKES);
      break;
    case IDD_MESSAGES:
      text(IDC_MSG_NUMBER, "Message 2 of 3");
      text(IDC_MSG_TEXT, "HEART");
      text(IDC_MSG_BOTTOMLINE, "and love");
      check(IDC_MSG_HAPPY_CHECK);
      check(IDC_MSG_PEACE_CHECK);
      break;
    case IDD_SOUNDS:
      CheckRadioButton(d, 1000, 1008, IDC_SND_SEA);
      text(IDC_SND_WAV_PATH, "/home/user/Music/rain.wav");
      check(IDC_SND_CUCKOO);
      break;
    case IDD_QUOTES:
      text(IDC_QUO_CATEGORY, "Wise guy");
      SendDlgItemMessageA(d, IDC_QUO_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                          reinterpret_cast<LPARAM>(LoadBitmapA(nullptr, MAKEINTRESOURCEA(139))));
      text(IDC_QUO_SECONDS, "20");
      check(IDC_QUO_AUTOTEXT);
      EnableWindow(GetDlgItem(d, IDC_QUO_BANNER), FALSE);
      break;
    case IDD_FRIENDS:
      text(IDC_FRI_SITE, "https://lumivex.example.org");
      text(IDC_FRI_DOWNLOAD, "https://downloads.example.net/lumivex");
      break;
    case IDD_STARTUP:
      text(IDC_STA_WALLPAPER_PATH, "/home/user/Pictures/Wallpapers");
      check(IDC_STA_BOTTOMRIGHT);
      check(IDC_STA_SWITCHOFF);
      break;
    case IDD_ABOUT:
      text(IDC_ABO_VERSION, "Version:\tv3.08");
      text(IDC_ABO_BUILD, "Build:\tOct 16 2005");
      break;
    case IDD_COUNTDOWN:
      text(IDC_DATE_MONTH, "12");
      text(IDC_DATE_DAY, "31");
      text(IDC_DATE_YEAR, "2026");
      text(IDC_DATE_HOUR, "23");
      text(IDC_DATE_MINUTE, "59");
      break;
    case IDD_BIRTHDAY:
      text(IDC_DATE_MONTH, "5");
      text(IDC_DATE_DAY, "17");
      text(IDC_DATE_YEAR, "1980");
      break;
    case IDD_EMAIL:
      text(IDC_MAIL_LOGIN, "<eg: Jonah>");
      text(IDC_MAIL_PASSWORD, "secret");
      text(IDC_MAIL_SERVER, "<eg: pop.example.com>");
      text(IDC_MAIL_CHECKEVERY, "15");
      SendDlgItemMessageA(d, IDC_MAIL_SECURITY, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>("SSL/TLS from the start (port 995)"));
      SendDlgItemMessageA(d, IDC_MAIL_SECURITY, CB_SETCURSEL, 0, 0);
      CheckRadioButton(d, IDC_MAIL_LAN, IDC_MAIL_MODEM, IDC_MAIL_LAN);
      break;
    case IDD_WORLDTIME:
      for (const char* zone : {"(GMT) Greenwich Mean Time : Dublin, Edinburgh, Lisbon, London",
                               "(GMT+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna",
                               "(GMT+09:00) Osaka, Sapporo, Tokyo"}) {
        SendDlgItemMessageA(d, IDC_WT_HOME, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(zone));
        SendDlgItemMessageA(d, IDC_WT_WORLD, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(zone));
      }
      SendDlgItemMessageA(d, IDC_WT_HOME, CB_SETCURSEL, 1, 0);
      SendDlgItemMessageA(d, IDC_WT_WORLD, CB_SETCURSEL, 2, 0);
      check(IDC_WT_HOME_DST);
      text(IDC_WT_BOTTOMLINE, "Good morning, Tokyo");
      break;
    default:
      break;
  }
}

// The main page's frame: the built-in picture on white, as the page shows it.
void PaintMainPicture(HWND d) {
  HWND frame = GetDlgItem(d, IDC_MAIN_PICTURE);
  HDC dc = GetDC(frame);
  RECT r{};
  GetClientRect(frame, &r);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  RECT inner{1, 1, r.right - 1, r.bottom - 1};
  FillRect(dc, &inner, white);
  DeleteObject(white);
  HBITMAP bmp = LoadBitmapA(nullptr, MAKEINTRESOURCEA(111));
  BITMAP bm{};
  if (bmp != nullptr && GetObjectA(bmp, sizeof bm, &bm)) {
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(dc, (r.right - bm.bmWidth) / 2, (r.bottom - bm.bmHeight) / 2, bm.bmWidth, bm.bmHeight,
           mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);
  }
  ReleaseDC(frame, dc);
}

void Capture(HWND d) {
  auto* window = static_cast<GtkWidget*>(lvx::dialog::GtkWindowOf(d));
  if (window == nullptr) {
    std::fprintf(stderr, "dialogshot: the dialog has no window (is DISPLAY set?)\n");
    return;
  }
  while (gtk_events_pending()) gtk_main_iteration();
  GdkWindow* gw = gtk_widget_get_window(window);
  int w = gdk_window_get_width(gw), h = gdk_window_get_height(gw);
  GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(gw, 0, 0, w, h);
  GError* error = nullptr;
  if (pixbuf != nullptr && gdk_pixbuf_save(pixbuf, g_out.c_str(), "png", &error, nullptr)) {
    std::printf("%s: %dx%d\n", g_out.c_str(), w * gdk_window_get_scale_factor(gw),
                h * gdk_window_get_scale_factor(gw));
    g_status = 0;
  } else {
    std::fprintf(stderr, "dialogshot: cannot save %s\n", error ? error->message : "");
  }
  if (error) g_error_free(error);
  if (pixbuf) g_object_unref(pixbuf);
}

INT_PTR CALLBACK ShotProc(HWND d, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      int id = static_cast<int>(lParam);
      bool shoot = true;
      if (GetWindowLongA(d, GWL_STYLE) & WS_CHILD) {
        // A page: lParam is its PROPSHEETPAGEA, tagged negative unless it is the one to shoot.
        const int tagged = static_cast<int>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        id = std::abs(tagged);
        shoot = tagged > 0;
      }
      Fill(d, id);
      if (shoot) SetTimer(d, 1, 900, nullptr);
      return TRUE;
    }
    case WM_PAINT:
      if (GetDlgItem(d, IDC_MAIN_PICTURE) != nullptr && GetDlgItem(d, IDC_MAIN_MOON) != nullptr) {
        PAINTSTRUCT ps;
        BeginPaint(d, &ps);
        PaintMainPicture(d);
        EndPaint(d, &ps);
        return TRUE;
      }
      return FALSE;
    case WM_TIMER: {
      KillTimer(d, wParam);
      Capture(d);
      HWND top =
          GetParent(d) != nullptr && (GetWindowLongA(d, GWL_STYLE) & WS_CHILD) ? GetParent(d) : d;
      PostMessageA(top, WM_CLOSE, 0, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(d, LOWORD(wParam));
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

int main(int argc, char** argv) {
  setenv("LUMIVEX_DISPLAY", "x11", 0);
  if (argc == 3) {
    const int id = std::atoi(argv[1]);
    g_out = argv[2];
    if (DialogBoxParamA(nullptr, MAKEINTRESOURCEA(id), nullptr, ShotProc, id) == -1) {
      std::fprintf(stderr, "dialogshot: no dialog %d\n", id);
      return 1;
    }
    return g_status;
  }
  if (argc == 4 && std::strcmp(argv[1], "sheet") == 0) {
    const int ids[] = {IDD_MESSAGES, IDD_SOUNDS, IDD_QUOTES, IDD_FRIENDS,
                       IDD_STARTUP,  IDD_USERS,  IDD_ABOUT};
    const int start = std::atoi(argv[2]);
    g_out = argv[3];
    PROPSHEETPAGEA pages[7];
    for (int i = 0; i < 7; ++i) {
      pages[i] = PROPSHEETPAGEA{};
      pages[i].dwSize = sizeof pages[i];
      pages[i].pszTemplate = MAKEINTRESOURCEA(ids[i]);
      pages[i].pfnDlgProc = ShotProc;
      // Only the start page takes the picture.
      pages[i].lParam = i == start ? ids[i] : -ids[i];
    }
    PROPSHEETHEADERA h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW | PSH_USEICONID;
    h.pszIcon = MAKEINTRESOURCEA(IDI_LUMIVEX);
    h.pszCaption = "Lumivex v3.08 - Much More Options";
    h.nPages = 7;
    h.nStartPage = static_cast<UINT>(start);
    h.ppsp = pages;
    PropertySheetA(&h);
    return g_status;
  }
  std::fprintf(stderr, "usage: %s ID OUT.png | %s sheet PAGE OUT.png\n", argv[0], argv[0]);
  return 2;
}
