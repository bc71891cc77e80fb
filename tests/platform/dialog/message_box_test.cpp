// Message boxes: the one-line record, scripted answers and default buttons;
// on X11 the GTK dialog, its placement above the owner and its close button.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/backend/backend.h"
#include "platform/winapi.h"
#include "tests/support/test_support.h"

// Xlib's macros (None, Bool ...) must come after every other header.
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
// clang-format on

// GTK, fontconfig and D-Bus keep process-wide caches they never free; only
// leaks through our own code matter under LeakSanitizer.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libglib-2.0.so\nleak:libgobject-2.0.so\n"
         "leak:libgtk-3.so\nleak:libgdk-3.so\n";
}

namespace {

int Box(const char* text, const char* caption, UINT type, std::string* line = nullptr) {
  testing::internal::CaptureStderr();
  const int answer = MessageBoxA(nullptr, text, caption, type);
  const std::string err = testing::internal::GetCapturedStderr();
  if (line) *line = err;
  return answer;
}

TEST(MessageBoxHeadless, WritesExactlyOneLineWithCaptionAndText) {
  std::string line;
  EXPECT_EQ(Box("It seems that your computer has incorrect\ntime or date.\r\nPlease correct it.",
                "Date/time problem", MB_OK, &line),
            IDOK);
  EXPECT_EQ(line,
            "MessageBox [Date/time problem] It seems that your computer has incorrect\\ntime or "
            "date.\\nPlease correct it.\n");

  Box("tab\there", nullptr, MB_OK, &line);
  EXPECT_EQ(line, "MessageBox [Error] tab here\n");
  Box(nullptr, "PROBLEM", MB_OK, &line);
  EXPECT_EQ(line, "MessageBox [PROBLEM] \n");
}

TEST(MessageBoxHeadless, DefaultButtonAnswersWithoutScript) {
  EXPECT_EQ(Box("t", "c", MB_OK), IDOK);
  EXPECT_EQ(Box("t", "c", MB_OKCANCEL), IDOK);
  EXPECT_EQ(Box("t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_EQ(Box("t", "c", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(Box("t", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(Box("t", "c", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(Box("t", "c", MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
  // A default button the box does not have falls back to the first.
  EXPECT_EQ(Box("t", "c", MB_YESNO | MB_DEFBUTTON3), IDYES);
  EXPECT_EQ(Box("t", "c", MB_OK | MB_DEFBUTTON2), IDOK);
  EXPECT_EQ(Box("t", "c", MB_RETRYCANCEL), IDRETRY);
}

TEST(MessageBoxHeadless, ScriptedAnswersAreUsedOnePerBoxInOrder) {
  setenv("LUMIVEX_MSGBOX_ANSWERS", "no, Cancel ,yes,ok", 1);
  EXPECT_EQ(Box("t", "c", MB_YESNO), IDNO);
  EXPECT_EQ(Box("t", "c", MB_YESNOCANCEL), IDCANCEL);
  EXPECT_EQ(Box("t", "c", MB_YESNO | MB_DEFBUTTON2), IDYES);
  EXPECT_EQ(Box("t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDOK);
  // Used up: default buttons again.
  EXPECT_EQ(Box("t", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(Box("t", "c", MB_OKCANCEL), IDOK);
}

TEST(MessageBoxHeadless, AnswerTheBoxDoesNotOfferGivesItsDefault) {
  setenv("LUMIVEX_MSGBOX_ANSWERS", "yes,cancel,,maybe,no", 1);
  EXPECT_EQ(Box("t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);  // "yes" not offered
  EXPECT_EQ(Box("t", "c", MB_YESNO), IDYES);                        // "cancel" not offered
  EXPECT_EQ(Box("t", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);         // empty word
  EXPECT_EQ(Box("t", "c", MB_OK), IDOK);                            // unknown word
  EXPECT_EQ(Box("t", "c", MB_YESNO), IDNO);
  // A new script starts from its first word.
  setenv("LUMIVEX_MSGBOX_ANSWERS", "cancel", 1);
  EXPECT_EQ(Box("t", "c", MB_OKCANCEL), IDCANCEL);
}

TEST(MessageBoxX11, ScriptedAnswersNeedNoPersonEvenWithADisplay) {
  ASSERT_TRUE(lvx::test::UseTestXDisplay());
  lvx::ResetBackendForTests();
  ASSERT_STREQ(lvx::DisplayName(), "x11");
  setenv("LUMIVEX_MSGBOX_ANSWERS", "no", 1);
  std::string line;
  EXPECT_EQ(Box("Sure?", "Question", MB_YESNO, &line), IDNO);
  EXPECT_EQ(line, "MessageBox [Question] Sure?\n");
}

// Finds a top-level window by its title on the test display.
Window FindByTitle(Display* d, const char* title) {
  Window root = 0, parent = 0, *kids = nullptr;
  unsigned int n = 0;
  Window found = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &kids, &n)) return 0;
  for (unsigned int i = 0; i < n && !found; ++i) {
    char* name = nullptr;
    if (XFetchName(d, kids[i], &name) && name) {
      if (std::string(name) == title) found = kids[i];
      XFree(name);
    }
  }
  if (kids) XFree(kids);
  return found;
}

TEST(MessageBoxX11, GtkDialogStaysAboveItsOwnerAndItsCloseButtonCancels) {
  ASSERT_TRUE(lvx::test::UseTestXDisplay());
  lvx::ResetBackendForTests();
  ASSERT_STREQ(lvx::DisplayName(), "x11");
  unsetenv("LUMIVEX_MSGBOX_ANSWERS");
  // The owner: a window of ours, as the saver's full-screen window would be.
  lvx::NativeWindowDesc desc;
  desc.className = "LumivexBoxOwner";
  desc.title = "Owner";
  desc.width = 200;
  desc.height = 100;
  const lvx::NativeId owner = lvx::CurrentBackend().CreateWindow(desc);
  ASSERT_NE(owner, 0u);

  const std::string title = "Lumivex box test " + std::to_string(getpid());
  std::atomic<bool> sawDialog{false};
  std::atomic<unsigned long> transientFor{0};
  std::atomic<bool> keepAbove{false};
  std::thread closer([&] {
    Display* d = XOpenDisplay(lvx::test::TestXDisplay().c_str());
    if (!d) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    Window w = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      w = FindByTitle(d, title.c_str());
      XWindowAttributes a{};
      if (w && XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) break;
      w = 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (w) {
      sawDialog = true;
      Window t = 0;
      if (XGetTransientForHint(d, w, &t)) transientFor = t;
      Atom type = 0;
      int format = 0;
      unsigned long items = 0, after = 0;
      unsigned char* data = nullptr;
      const Atom above = XInternAtom(d, "_NET_WM_STATE_ABOVE", False);
      if (XGetWindowProperty(d, w, XInternAtom(d, "_NET_WM_STATE", False), 0, 32, False, XA_ATOM,
                             &type, &format, &items, &after, &data) == Success &&
          data) {
        for (unsigned long i = 0; i < items; ++i)
          if (reinterpret_cast<Atom*>(data)[i] == above) keepAbove = true;
        XFree(data);
      }
      // What a window manager sends for the title bar's close button.
      XEvent ev{};
      ev.xclient.type = ClientMessage;
      ev.xclient.window = w;
      ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
      ev.xclient.format = 32;
      ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
      ev.xclient.data.l[1] = CurrentTime;
      XSendEvent(d, w, False, NoEventMask, &ev);
      XFlush(d);
    }
    XCloseDisplay(d);
  });
  const int answer = MessageBoxA(reinterpret_cast<HWND>(owner), "Close me", title.c_str(),
                                 MB_OKCANCEL | MB_ICONWARNING);
  closer.join();
  ASSERT_TRUE(sawDialog) << "no GTK dialog appeared";
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_EQ(transientFor.load(), owner);
  EXPECT_TRUE(keepAbove);
  lvx::CurrentBackend().DestroyWindow(owner);
}

}  // namespace
