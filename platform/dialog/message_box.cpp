// MessageBoxA: a GTK message dialog on X11; a line on standard error and a
// scripted answer without a display (and whenever a script is given).
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/gtk_mirror.h"
#include "platform/winapi.h"

namespace {

struct Button {
  int id;
  const char* word;   // in LUMIVEX_MSGBOX_ANSWERS
  const char* label;  // on the GTK button
};

constexpr Button kOk{IDOK, "ok", "_OK"};
constexpr Button kCancel{IDCANCEL, "cancel", "_Cancel"};
constexpr Button kYes{IDYES, "yes", "_Yes"};
constexpr Button kNo{IDNO, "no", "_No"};
constexpr Button kAbort{IDABORT, "abort", "_Abort"};
constexpr Button kRetry{IDRETRY, "retry", "_Retry"};
constexpr Button kIgnore{IDIGNORE, "ignore", "_Ignore"};

std::vector<Button> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {kOk, kCancel};
    case MB_ABORTRETRYIGNORE:
      return {kAbort, kRetry, kIgnore};
    case MB_YESNOCANCEL:
      return {kYes, kNo, kCancel};
    case MB_YESNO:
      return {kYes, kNo};
    case MB_RETRYCANCEL:
      return {kRetry, kCancel};
    default:
      return {kOk};
  }
}

// MB_DEFBUTTONn names a button by position; one the box lacks means the first.
int DefaultAnswer(UINT type, const std::vector<Button>& buttons) {
  const std::size_t index = (type & MB_DEFMASK) >> 8;
  return buttons[index < buttons.size() ? index : 0].id;
}

// One line, whatever the text holds: line breaks become the two characters
// \n and other control characters blanks.
std::string OneLine(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '\r') {
      out += "\\n";
      if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\\n";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += ' ';
    } else {
      out += c;
    }
  }
  return out;
}

std::string Trimmed(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  std::string out = s.substr(b, e - b);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The next scripted word, consumed one per box; "" when the script is used up.
// A changed script starts over from its first word.
std::string NextScriptedWord(const char* script) {
  static std::string seen;
  static std::size_t next = 0;
  if (seen != script) {
    seen = script;
    next = 0;
  }
  std::vector<std::string> words;
  std::string cur;
  for (char c : seen) {
    if (c == ',') {
      words.push_back(Trimmed(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  words.push_back(Trimmed(cur));
  if (seen.empty() || next >= words.size()) return "";
  return words[next++];
}

int ScriptedAnswer(const std::string& text, const std::string& caption, UINT type) {
  const std::string line = "MessageBox [" + OneLine(caption) + "] " + OneLine(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  const std::vector<Button> buttons = ButtonsOf(type);
  const char* script = std::getenv("LUMIVEX_MSGBOX_ANSWERS");
  if (script) {
    const std::string word = NextScriptedWord(script);
    for (const Button& b : buttons)
      if (word == b.word) return b.id;
  }
  return DefaultAnswer(type, buttons);
}

int GtkAnswer(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  const std::vector<Button> buttons = ButtonsOf(type);
  GtkMessageType kind = GTK_MESSAGE_OTHER;
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      kind = GTK_MESSAGE_ERROR;
      break;
    case MB_ICONQUESTION:
      kind = GTK_MESSAGE_QUESTION;
      break;
    case MB_ICONEXCLAMATION:
      kind = GTK_MESSAGE_WARNING;
      break;
    case MB_ICONASTERISK:
      kind = GTK_MESSAGE_INFO;
      break;
    default:
      break;
  }
  GtkWidget* dialog =
      gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, kind, GTK_BUTTONS_NONE, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  bool hasCancel = false;
  for (const Button& b : buttons) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), b.label, b.id);
    hasCancel = hasCancel || b.id == IDCANCEL;
  }
  const int fallback = DefaultAnswer(type, buttons);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), fallback);
  // Boxes without a way out but their buttons cannot be closed, as on Win32.
  const bool closable = hasCancel || buttons.size() == 1;
  gtk_window_set_deletable(GTK_WINDOW(dialog), closable);
  // Above the saver's full-screen window, and noticed.
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_urgency_hint(GTK_WINDOW(dialog), TRUE);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_widget_realize(dialog);
  const auto ownerId = reinterpret_cast<std::uintptr_t>(owner);
  if (void* ownerWindow = lvx::dialog::GtkWindowOf(owner)) {
    // Owned by one of our dialogs: modal on top of it.
    gtk_window_set_transient_for(GTK_WINDOW(dialog), GTK_WINDOW(ownerWindow));
  } else if (ownerId != 0 && ownerId <= 0x1FFFFFFFu) {
    // NULL when the owner is gone; GDK traps the X error.
    GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(gdk_display_get_default(),
                                                                static_cast<Window>(ownerId));
    if (foreign) {
      gdk_window_set_transient_for(gtk_widget_get_window(dialog), foreign);
      g_object_unref(foreign);
    }
  }
  gtk_window_present(GTK_WINDOW(dialog));
  int answer = 0;
  while (answer == 0) {
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (response > 0) {
      answer = response;
    } else if (closable) {
      answer = hasCancel ? IDCANCEL : IDOK;  // Escape or the close button
    }
  }
  gtk_widget_destroy(dialog);
  while (gtk_events_pending()) gtk_main_iteration();
  return answer;
}

}  // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const std::string body = text ? text : "";
  const std::string title = caption ? caption : "Error";
  int answer = 0;
  if (lvx::dialog::ScriptedMessageBox(owner, body, title, type, &answer)) {
    lvx::dialog::RecordMessageBox(owner, body, title, type, answer);
    return answer;
  }
  // Tests in scripted mode never wait for a person.
  const bool scripted = std::getenv("LUMIVEX_MSGBOX_ANSWERS") != nullptr || lvx::dialog::Scripted();
  if (scripted || std::string(lvx::DisplayName()) != "x11" || !lvx::dialog::GtkStarted()) {
    answer = ScriptedAnswer(body, title, type);
  } else {
    answer = GtkAnswer(owner, body, title, type);
  }
  lvx::dialog::RecordMessageBox(owner, body, title, type, answer);
  return answer;
}
