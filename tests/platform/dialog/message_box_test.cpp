// Message boxes: the one-line record, scripted answers and default buttons;
// on X11 the GTK dialog, its placement above the owner and its close button.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/winapi.h"
#include "resources/dialog_ids.h"
#include "tests/support/test_support.h"

// Xlib's macros (None, Bool ...) must come after every other header.
// clang-format off
#include "tests/platform/dialog/x_windows.h"
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

// What an unshown box handed to the saver's log.
std::vector<std::string> g_sunk;
void Sink(const char* caption, const char* text) {
  g_sunk.push_back(std::string(caption) + "|" + text);
}

TEST(MessageBoxUnanswerable, NoBoxIsShownItIsWrittenDownAndTheDefaultTaken) {
  // Even on a display, and whatever a script says: nobody is there.
  ASSERT_TRUE(lvx::test::UseTestXDisplay());
  lvx::ResetBackendForTests();
  setenv("LUMIVEX_MSGBOX_ANSWERS", "no,no,no,no", 1);
  lvx::SetMessageBoxSink(Sink);
  lvx::SetNoMessageBoxes(true);
  ASSERT_TRUE(lvx::NoMessageBoxes());
  const struct {
    UINT type;
    int answer;
  } cases[] = {
      {MB_YESNO, IDYES},
      {MB_YESNO | MB_DEFBUTTON2, IDNO},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_OK, IDOK},
  };
  for (const auto& c : cases) {
    const auto start = std::chrono::steady_clock::now();
    std::string line;
    EXPECT_EQ(Box("Lumivex detected that it did not\noperate normally", "Possible Error Detected",
                  c.type, &line),
              c.answer);
    EXPECT_EQ(line,
              "MessageBox [Possible Error Detected] Lumivex detected that it did not\\noperate "
              "normally\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  }
  ASSERT_EQ(g_sunk.size(), 4u);
  EXPECT_EQ(g_sunk[0],
            "Possible Error Detected|Lumivex detected that it did not\noperate normally");
  lvx::SetNoMessageBoxes(false);
  lvx::SetMessageBoxSink(nullptr);
}

TEST(MessageBoxTermination, AWaitingBoxClosesWithItsDefaultAtSigterm) {
  setenv("LUMIVEX_MSGBOX_ANSWERS", "wait,wait", 1);
  lvx::SetMessageBoxSink(Sink);
  std::thread killer([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(getpid(), SIGTERM);
  });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Box("Wait for me", "c", MB_YESNO | MB_DEFBUTTON2), IDNO);
  const auto waited = std::chrono::steady_clock::now() - start;
  killer.join();
  EXPECT_GE(waited, std::chrono::milliseconds(350)) << "the box did not wait";
  EXPECT_LT(waited, std::chrono::seconds(2));
  EXPECT_TRUE(lvx::TerminationRequested());
  // Once told to end, no box waits again: the next is only written down.
  g_sunk.clear();
  const auto again = std::chrono::steady_clock::now();
  EXPECT_EQ(Box("Next", "c", MB_OKCANCEL), IDOK);
  EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::seconds(1));
  EXPECT_EQ(g_sunk, std::vector<std::string>{"c|Next"});
  lvx::SetMessageBoxSink(nullptr);
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
    const Window w = lvx::test::WaitForViewable(d, title, 20);
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
      lvx::test::SendCloseRequest(d, w);
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

TEST(MessageBoxX11, SigtermClosesAnOpenGtkBoxWithItsDefaultAnswer) {
  ASSERT_TRUE(lvx::test::UseTestXDisplay());
  lvx::ResetBackendForTests();
  ASSERT_STREQ(lvx::DisplayName(), "x11");
  unsetenv("LUMIVEX_MSGBOX_ANSWERS");
  // A caption typed in the older code page reaches GTK as UTF-8.
  const std::string stem = "Bonne nuit " + std::to_string(getpid()) + " Zo";
  const std::string caption = stem + "\xEB";
  const std::string shown = stem + "\xC3\xAB";
  std::atomic<bool> sawDialog{false};
  std::chrono::steady_clock::time_point signalled{};
  std::thread killer([&] {
    Display* d = XOpenDisplay(lvx::test::TestXDisplay().c_str());
    if (!d) return;
    sawDialog = lvx::test::WaitForViewable(d, shown, 20, true) != 0;
    XCloseDisplay(d);
    signalled = std::chrono::steady_clock::now();
    kill(getpid(), SIGTERM);
  });
  const int answer =
      MessageBoxA(nullptr, "Nobody answers this", caption.c_str(), MB_OKCANCEL | MB_DEFBUTTON2);
  const auto closed = std::chrono::steady_clock::now();
  killer.join();
  ASSERT_TRUE(sawDialog) << "no GTK dialog with the UTF-8 title appeared";
  EXPECT_EQ(answer, IDCANCEL);
  EXPECT_LT(closed - signalled, std::chrono::seconds(2));
}

INT_PTR CALLBACK EndsItselfProc(HWND d, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) {
    SetTimer(d, 1, 20, nullptr);
    return TRUE;
  }
  if (msg == WM_TIMER && wParam == 1) {
    EndDialog(d, 42);
    return TRUE;
  }
  return FALSE;
}

// A program installed without its GTK module still gets through every box,
// dialog and chooser on the display, as without GTK: boxes are answered alone
// with their line on stderr, dialogs run without a window, choosers cancel.
TEST(MessageBoxX11, WithoutTheGtkModuleEverythingIsAnsweredAlone) {
  ASSERT_TRUE(lvx::test::UseTestXDisplay());
  lvx::ResetBackendForTests();
  ASSERT_STREQ(lvx::DisplayName(), "x11");
  unsetenv("LUMIVEX_MSGBOX_ANSWERS");
  lvx::SetModuleFoldersForTests({lvx::test::MakeTempDir("no-modules")});
  testing::internal::CaptureStderr();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(
      MessageBoxA(nullptr, "The settings file\nis unusable", "Lumivex", MB_YESNO | MB_DEFBUTTON2),
      IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Second", "Lumivex", MB_OK), IDOK);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_BIRTHDAY), nullptr, EndsItselfProc, 0),
            42);
  CHOOSECOLORA colour{};
  colour.lStructSize = sizeof colour;
  EXPECT_FALSE(ChooseColorA(&colour));
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  const std::string noGtk = "lumivex: no GTK (liblumivex_gtk.so: not in ";
  const std::size_t said = err.find(noGtk);
  ASSERT_NE(said, std::string::npos) << err;
  EXPECT_EQ(err.find("no GTK", said + noGtk.size()), std::string::npos) << "said once: " << err;
  EXPECT_NE(err.find("MessageBox [Lumivex] The settings file\\nis unusable\n"), std::string::npos)
      << err;
  EXPECT_NE(err.find("MessageBox [Lumivex] Second\n"), std::string::npos) << err;
  EXPECT_NE(err.find("lumivex: no chooser window for a colour (Colour); cancelled"),
            std::string::npos)
      << err;
  EXPECT_EQ(GetModuleHandleA("liblumivex_gtk.so"), nullptr);
}

}  // namespace
