// MessageBoxA: a GTK message dialog on X11 (gtk/message_box.cpp, in the GTK
// module); a line on standard error and a scripted answer without a display,
// without the module, and whenever a script is given. Run for
// a screen-saver daemon or as a preview nobody can answer a box: it is then
// only written down, and its default button is the answer. A termination
// signal closes an open box with its default answer too.
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/gtk_ui.h"
#include "platform/winapi.h"

namespace {

std::atomic<bool> g_noBoxes{false};
std::atomic<lvx::MessageBoxSink> g_sink{nullptr};

// How often a waiting box looks whether the program was told to end.
constexpr int kTerminationPollMs = 50;

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

void WriteBoxLine(const std::string& text, const std::string& caption) {
  const std::string line = "MessageBox [" + OneLine(caption) + "] " + OneLine(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// A box nobody is there to answer: written down, answered by default.
int UnshownAnswer(const std::string& text, const std::string& caption, UINT type) {
  WriteBoxLine(text, caption);
  if (lvx::MessageBoxSink sink = g_sink.load()) sink(caption.c_str(), text.c_str());
  return DefaultAnswer(type, ButtonsOf(type));
}

int ScriptedAnswer(const std::string& text, const std::string& caption, UINT type) {
  WriteBoxLine(text, caption);
  const std::vector<Button> buttons = ButtonsOf(type);
  const char* script = std::getenv("LUMIVEX_MSGBOX_ANSWERS");
  if (script) {
    const std::string word = NextScriptedWord(script);
    for (const Button& b : buttons)
      if (word == b.word) return b.id;
    if (word == "wait") {
      // A box that stays open as long as nobody ends the program, as a GTK
      // box would without a person at the screen.
      lvx::CatchTerminationSignals();
      while (!lvx::TerminationRequested())
        std::this_thread::sleep_for(std::chrono::milliseconds(kTerminationPollMs));
    }
  }
  return DefaultAnswer(type, buttons);
}

int GtkAnswer(lvx::dialog::GtkUi& ui, HWND owner, const std::string& text,
              const std::string& caption, UINT type) {
  const std::vector<Button> buttons = ButtonsOf(type);
  std::vector<lvx::dialog::BoxButton> shown;
  for (const Button& b : buttons) shown.push_back({b.id, b.label});
  return ui.MessageBox(owner, text, caption, type, shown, DefaultAnswer(type, buttons));
}

}  // namespace

namespace lvx {

void SetNoMessageBoxes(bool on) { g_noBoxes.store(on); }
bool NoMessageBoxes() { return g_noBoxes.load(); }
void SetMessageBoxSink(MessageBoxSink sink) { g_sink.store(sink); }

}  // namespace lvx

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const std::string body = text ? text : "";
  const std::string title = caption ? caption : "Error";
  int answer = 0;
  if (lvx::dialog::ScriptedMessageBox(owner, body, title, type, &answer)) {
    lvx::dialog::RecordMessageBox(owner, body, title, type, answer);
    return answer;
  }
  if (g_noBoxes.load() || lvx::TerminationRequested()) {
    answer = UnshownAnswer(body, title, type);
  } else if (std::getenv("LUMIVEX_MSGBOX_ANSWERS") != nullptr || lvx::dialog::Scripted() ||
             std::string(lvx::DisplayName()) != "x11") {
    // Tests in scripted mode never wait for a person.
    answer = ScriptedAnswer(body, title, type);
  } else {
    // SIGTERM must reach this process's queue, not end it with a box on screen;
    // GTK's start-up already maps windows.
    lvx::CatchTerminationSignals();
    lvx::dialog::GtkUi* ui = lvx::dialog::GtkStarted() ? lvx::dialog::LoadedGtkUi() : nullptr;
    answer = ui != nullptr ? GtkAnswer(*ui, owner, body, title, type)
                           : ScriptedAnswer(body, title, type);
  }
  lvx::dialog::RecordMessageBox(owner, body, title, type, answer);
  return answer;
}
