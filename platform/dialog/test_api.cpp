// The dialog test API: scripts for modal windows and a person's actions on
// the model.
#include <deque>
#include <exception>
#include <utility>

#include "platform/dialog/dialog_internal.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/dialog/gtk_mirror.h"
#include "platform/user/window_registry.h"

namespace lvx::dialog {
namespace {

struct TestState {
  bool scripted = false;
  std::vector<std::pair<int, dlgtest::Script>> dialogScripts;
  std::deque<dlgtest::Script> sheetScripts;
  std::deque<std::function<int(const dlgtest::MessageBoxRecord&)>> boxScripts;
  std::deque<int> boxAnswers;
  std::vector<dlgtest::MessageBoxRecord> boxes;
  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<std::optional<std::string>> folderAnswers;
  std::deque<std::optional<dlgtest::FontChoice>> fontAnswers;
  std::deque<std::optional<COLORREF>> colorAnswers;
  std::vector<dlgtest::ChooserRecord> choosers;
  std::vector<std::string> unanswered;
  std::vector<dlgtest::Heard> heard;
};

TestState& T() {
  static TestState t;
  return t;
}

const char* ChooserName(dlgtest::ChooserKind kind) {
  switch (kind) {
    case dlgtest::ChooserKind::OpenFile:
      return "open file chooser";
    case dlgtest::ChooserKind::SaveFile:
      return "save file chooser";
    case dlgtest::ChooserKind::Folder:
      return "folder chooser";
    case dlgtest::ChooserKind::Font:
      return "font chooser";
    case dlgtest::ChooserKind::Color:
      return "colour chooser";
  }
  return "chooser";
}

template <typename V>
bool TakeAnswer(std::deque<std::optional<V>>& queue, const dlgtest::ChooserRecord& record,
                std::optional<V>* reply) {
  if (!T().scripted) return false;
  dlgtest::ChooserRecord r = record;
  if (!queue.empty()) {
    *reply = queue.front();
    queue.pop_front();
    r.answered = true;
  } else {
    reply->reset();
    NoteUnanswered(ChooserName(record.kind));
  }
  T().choosers.push_back(r);
  return true;
}

}  // namespace

bool Scripted() { return T().scripted; }

bool RunScript(HWND hwnd) {
  Dialog* d = FindDialog(hwnd);
  if (d == nullptr) return false;
  dlgtest::Script script;
  if (d->sheet) {
    if (T().sheetScripts.empty()) return false;
    script = std::move(T().sheetScripts.front());
    T().sheetScripts.pop_front();
  } else {
    auto& list = T().dialogScripts;
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (it->first != d->TemplateId()) continue;
      script = std::move(it->second);
      list.erase(it);
      break;
    }
    if (!script) return false;
  }
  try {
    script(hwnd);
  } catch (const std::exception& e) {
    NoteUnanswered(std::string("script failed: ") + e.what());
  }
  return true;
}

void NoteUnanswered(const std::string& what) { T().unanswered.push_back(what); }

void NoteHeard(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!T().scripted) return;
  switch (msg) {
    case WM_INITDIALOG:
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_TIMER:
    case WM_HELP:
    case WM_CLOSE:
    case WM_DESTROY:
      break;
    default:
      return;
  }
  dlgtest::Heard h;
  h.dialog = dialog;
  if (Dialog* d = FindDialog(dialog)) h.templateId = d->TemplateId();
  h.message = msg;
  h.wParam = wParam;
  if (msg == WM_COMMAND) {
    h.id = LOWORD(wParam);
    h.code = HIWORD(wParam);
  } else if (msg == WM_NOTIFY && lParam != 0) {
    h.code = reinterpret_cast<const NMHDR*>(lParam)->code;
  } else if (msg == WM_HELP && lParam != 0) {
    h.id = reinterpret_cast<const HELPINFO*>(lParam)->iCtrlId;
  }
  T().heard.push_back(h);
}

bool ScriptedMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
                        int* answer) {
  if (!T().scripted) return false;
  if (!T().boxScripts.empty()) {
    auto script = std::move(T().boxScripts.front());
    T().boxScripts.pop_front();
    dlgtest::MessageBoxRecord r;
    r.owner = owner;
    r.text = text;
    r.caption = caption;
    r.type = type;
    *answer = script(r);
    return true;
  }
  if (!T().boxAnswers.empty()) {
    *answer = T().boxAnswers.front();
    T().boxAnswers.pop_front();
    return true;
  }
  return false;
}

void RecordMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
                      int answer) {
  if (!T().scripted) return;
  dlgtest::MessageBoxRecord r;
  r.owner = owner;
  r.text = text;
  r.caption = caption;
  r.type = type;
  r.answer = answer;
  T().boxes.push_back(r);
}

bool ScriptedFileChoice(const dlgtest::ChooserRecord& record, std::optional<std::string>* reply) {
  auto& queue = record.kind == dlgtest::ChooserKind::Folder ? T().folderAnswers : T().fileAnswers;
  return TakeAnswer(queue, record, reply);
}

bool ScriptedFontChoice(const dlgtest::ChooserRecord& record,
                        std::optional<dlgtest::FontChoice>* reply) {
  return TakeAnswer(T().fontAnswers, record, reply);
}

bool ScriptedColorChoice(const dlgtest::ChooserRecord& record, std::optional<COLORREF>* reply) {
  return TakeAnswer(T().colorAnswers, record, reply);
}

void ResetTestState() { T() = TestState{}; }

}  // namespace lvx::dialog

namespace lvx::dlgtest {

using namespace lvx::dialog;

namespace {

// A control a person can reach: it exists, shows and takes input, and so
// does its dialog (and a page's sheet).
Control* Usable(HWND dialog, int id) {
  Control* c = FindControl(dialog, id);
  if (c == nullptr || !IsWindowVisible(c->hwnd) || !IsWindowEnabled(c->hwnd)) return nullptr;
  for (HWND h = dialog; h != nullptr;) {
    if (!IsWindowEnabled(h)) return nullptr;
    Dialog* d = dialog::FindDialog(h);
    h = d != nullptr ? d->page_sheet : nullptr;
  }
  return c;
}

bool IsButtonKind(Kind k) { return k == Kind::Button || k == Kind::CheckBox || k == Kind::Radio; }

}  // namespace

void Reset() {
  ResetTestState();
  T().scripted = true;
}

void OnDialog(int templateId, Script script) {
  T().dialogScripts.emplace_back(templateId, std::move(script));
}

void OnSheet(Script script) { T().sheetScripts.push_back(std::move(script)); }

void OnMessageBox(std::function<int(const MessageBoxRecord&)> answer) {
  T().boxScripts.push_back(std::move(answer));
}

void AnswerMessageBoxes(const std::vector<int>& answers) {
  for (int a : answers) T().boxAnswers.push_back(a);
}

const std::vector<MessageBoxRecord>& MessageBoxes() { return T().boxes; }

void AnswerFileChooser(std::optional<std::string> path) {
  T().fileAnswers.push_back(std::move(path));
}
void AnswerFolderChooser(std::optional<std::string> path) {
  T().folderAnswers.push_back(std::move(path));
}
void AnswerFontChooser(std::optional<FontChoice> font) {
  T().fontAnswers.push_back(std::move(font));
}
void AnswerColorChooser(std::optional<COLORREF> color) { T().colorAnswers.push_back(color); }

const std::vector<ChooserRecord>& Choosers() { return T().choosers; }
const std::vector<std::string>& Unanswered() { return T().unanswered; }

HWND FindDialog(int templateId) {
  std::vector<Dialog*> all = AllDialogs();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if ((*it)->TemplateId() == templateId && !(*it)->ended) return (*it)->hwnd;
  }
  return nullptr;
}

HWND FindSheet() {
  std::vector<Dialog*> all = AllDialogs();
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    if ((*it)->sheet && !(*it)->ended) return (*it)->hwnd;
  }
  return nullptr;
}

int TemplateOf(HWND dialog) {
  Dialog* d = dialog::FindDialog(dialog);
  return d != nullptr ? d->TemplateId() : 0;
}

bool Click(HWND dialog, int id) {
  Control* c = Usable(dialog, id);
  if (c == nullptr || !IsButtonKind(c->kind)) return false;
  UserClick(*c);
  return true;
}

bool SetText(HWND dialog, int id, const std::string& text) {
  Control* c = Usable(dialog, id);
  if (c == nullptr || c->kind != Kind::Edit || (c->style & ES_READONLY)) return false;
  HWND h = c->hwnd;
  if (GetFocus() != h) SetFocus(h);
  if ((c = FindControl(h)) == nullptr) return false;
  UserEditText(*c, text);
  return true;
}

bool Type(HWND dialog, int id, const std::string& text) {
  Control* c = Usable(dialog, id);
  if (c == nullptr || c->kind != Kind::Edit || (c->style & ES_READONLY)) return false;
  HWND h = c->hwnd;
  if (GetFocus() != h) SetFocus(h);
  std::size_t i = 0;
  while (i < text.size()) {
    if ((c = FindControl(h)) == nullptr) return true;
    unsigned char b = static_cast<unsigned char>(text[i]);
    std::size_t len = b < 0x80         ? 1
                      : (b >> 5) == 6  ? 2
                      : (b >> 4) == 14 ? 3
                      : (b >> 3) == 30 ? 4
                                       : 1;
    std::string piece = text.substr(i, len);
    i += len;
    if (piece == "\n") {
      if (!(c->IsMultiLine() && (c->style & ES_WANTRETURN))) {
        UserKey(c->dialog, VK_RETURN);
        continue;
      }
      piece = "\r\n";
    }
    if ((c->style & ES_NUMBER) && (piece.size() != 1 || piece[0] < '0' || piece[0] > '9')) continue;
    if (c->text.size() + piece.size() > static_cast<std::size_t>(c->limit)) {
      SendMessageA(NotifyTarget(*c), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(c->id), EN_MAXTEXT),
                   reinterpret_cast<LPARAM>(h));
      return true;
    }
    UserEditText(*c, c->text + piece);
  }
  return true;
}

bool Select(HWND dialog, int id, int index) {
  Control* c = Usable(dialog, id);
  if (c == nullptr || c->kind != Kind::Combo) return false;
  if (index < 0 || index >= static_cast<int>(c->items.size())) return false;
  HWND h = c->hwnd;
  if (GetFocus() != h) SetFocus(h);
  if ((c = FindControl(h)) == nullptr) return false;
  UserSelect(*c, index);
  return true;
}

bool Select(HWND dialog, int id, const std::string& itemText) {
  Control* c = FindControl(dialog, id);
  if (c == nullptr) return false;
  for (std::size_t i = 0; i < c->items.size(); ++i) {
    if (c->items[i] == itemText) return Select(dialog, id, static_cast<int>(i));
  }
  return false;
}

bool Focus(HWND dialog, int id) {
  Control* c = Usable(dialog, id);
  if (c == nullptr) return false;
  SetFocus(c->hwnd);
  return GetFocus() == c->hwnd;
}

bool PressKey(HWND dialog, int vk) {
  if (dialog::FindDialog(dialog) == nullptr || !IsWindowEnabled(dialog)) return false;
  UserKey(dialog, vk);
  return true;
}

bool CloseButton(HWND dialog) {
  Dialog* d = dialog::FindDialog(dialog);
  if (d == nullptr) return false;
  HWND top = d->page_sheet != nullptr ? d->page_sheet : dialog;
  SendMessageA(top, WM_CLOSE, 0, 0);
  return true;
}

bool SelectPage(HWND sheet, int index) {
  if (!IsWindowEnabled(sheet)) return false;
  return SheetSelectPage(sheet, index);
}

std::string Text(HWND dialog, int id) {
  Control* c = FindControl(dialog, id);
  if (c == nullptr) return "";
  if (c->kind == Kind::Combo)
    return c->selection >= 0 ? c->items[static_cast<std::size_t>(c->selection)] : "";
  return c->text;
}

std::string Caption(HWND dialog) {
  char buf[1024];
  GetWindowTextA(dialog, buf, sizeof buf);
  return buf;
}

int CheckState(HWND dialog, int id) {
  Control* c = FindControl(dialog, id);
  return c == nullptr ? -1 : c->check;
}

bool Enabled(HWND dialog, int id) {
  HWND h = GetDlgItem(dialog, id);
  return h != nullptr && IsWindowEnabled(h);
}

bool Visible(HWND dialog, int id) {
  HWND h = GetDlgItem(dialog, id);
  return h != nullptr && IsWindowVisible(h);
}

std::vector<std::string> Items(HWND dialog, int id) {
  Control* c = FindControl(dialog, id);
  return c == nullptr ? std::vector<std::string>{} : c->items;
}

int Selection(HWND dialog, int id) {
  Control* c = FindControl(dialog, id);
  return c == nullptr ? CB_ERR : c->selection;
}

RECT Rect(HWND dialog, int id) {
  HWND h = GetDlgItem(dialog, id);
  RECT r{};
  if (h == nullptr) return r;
  GetWindowRect(h, &r);
  POINT tl{r.left, r.top}, br{r.right, r.bottom};
  ScreenToClient(dialog, &tl);
  ScreenToClient(dialog, &br);
  return RECT{tl.x, tl.y, br.x, br.y};
}

int Limit(HWND dialog, int id) {
  Control* c = FindControl(dialog, id);
  return c == nullptr ? 0 : c->limit;
}

bool Masked(HWND dialog, int id) {
  Control* c = FindControl(dialog, id);
  return c != nullptr && c->IsPassword();
}

HWND FocusedControl() { return GetFocus(); }

int PageCount(HWND sheet) { return SheetPageCount(sheet); }
int CurrentPage(HWND sheet) { return SheetCurrentPage(sheet); }
HWND Page(HWND sheet, int index) { return SheetPageHwnd(sheet, index); }
std::string PageTitle(HWND sheet, int index) { return SheetPageTitle(sheet, index); }

bool ApplyEnabled(HWND sheet) {
  HWND apply = GetDlgItem(sheet, ID_APPLY_NOW);
  return apply != nullptr && IsWindowEnabled(apply);
}

void Pump() { PumpPending(); }

bool FireTimer(HWND hwnd, UINT_PTR id) { return FireTimerNow(hwnd, id); }

UINT TimerPeriod(HWND hwnd, UINT_PTR id) {
  UINT ms = 0;
  return lvx::TimerPeriod(hwnd, id, &ms) ? ms : 0;
}

const std::vector<Heard>& HeardMessages() { return T().heard; }

namespace {
Mirror* MirrorFor(HWND dialog) {
  Dialog* d = dialog::FindDialog(dialog);
  return d != nullptr ? d->mirror.get() : nullptr;
}
}  // namespace

std::optional<std::string> WidgetText(HWND dialog, int id) {
  Mirror* m = MirrorFor(dialog);
  return m != nullptr ? m->WidgetText(GetDlgItem(dialog, id)) : std::nullopt;
}

std::optional<int> WidgetCheck(HWND dialog, int id) {
  Mirror* m = MirrorFor(dialog);
  return m != nullptr ? m->WidgetCheck(GetDlgItem(dialog, id)) : std::nullopt;
}

std::optional<bool> WidgetSensitive(HWND dialog, int id) {
  Mirror* m = MirrorFor(dialog);
  return m != nullptr ? m->WidgetSensitive(GetDlgItem(dialog, id)) : std::nullopt;
}

std::optional<bool> WidgetVisible(HWND dialog, int id) {
  Mirror* m = MirrorFor(dialog);
  return m != nullptr ? m->WidgetVisible(GetDlgItem(dialog, id)) : std::nullopt;
}

std::optional<RECT> WidgetScreenRect(HWND dialog, int id) {
  Mirror* m = MirrorFor(dialog);
  return m != nullptr ? m->WidgetScreenRect(GetDlgItem(dialog, id)) : std::nullopt;
}

}  // namespace lvx::dlgtest
