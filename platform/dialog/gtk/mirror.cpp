// The GTK side of dialogs (liblumivex_gtk.so): a window (or a notebook page)
// with a GtkFixed, one widget per control at the template's place. Widgets
// show the model; user input in a widget goes back through the model's user
// actions, which notify the dialog procedure as Win32 controls would.
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/dialog/gtk/parts.h"
#include "platform/user/window_registry.h"

namespace lvx::dialog {
namespace {

int g_gtkState = -1;  // -1 not tried, 0 failed, 1 running

int ScaleFactor() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return 1;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (monitor == nullptr) monitor = gdk_display_get_monitor(display, 0);
  return monitor != nullptr ? std::max(1, gdk_monitor_get_scale_factor(monitor)) : 1;
}

// Screen pixels (the model's) to GTK's logical pixels and back.
int ToLogical(int v) { return v / ScaleFactor(); }

// Win32 "&File" becomes GTK's "_File"; "&&" is a plain "&" and "_" must be
// doubled to stay itself.
std::string Mnemonic(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      } else {
        out += '_';
      }
    } else if (c == '_') {
      out += "__";
    } else {
      out += c;
    }
  }
  return ToUtf8(out);
}

// Static texts show "&" marks as nothing (no mnemonics in labels here).
std::string Plain(const std::string& text, bool noPrefix) {
  if (noPrefix) return ToUtf8(text);
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return ToUtf8(out);
}

std::string FromWin32Lines(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out += s[i];
  }
  return out;
}

std::string ToWin32Lines(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Our queue's descriptors and timers inside GTK's main loop, so one wait
// serves both.
struct QueueSource {
  GSource base;
  gpointer tags[2];
  int count;
};

QueueSource* g_queueSource = nullptr;
int g_queueHolds = 0;

// Only our modal loop takes messages from the queue. Anywhere else (a box
// GTK runs on its own, settling after a window closes) a due timer would keep
// the source ready, and the loop spinning, until the queue is read.
gboolean QueuePrepare(GSource*, gint* timeout) {
  if (g_queueHolds > 0) {
    *timeout = -1;
    return FALSE;
  }
  MessageWaitSources w = CurrentMessageWaitSources();
  *timeout = w.timeoutMs;
  return w.timeoutMs == 0;
}

gboolean QueueCheck(GSource* source) {
  if (g_queueHolds > 0) return FALSE;
  auto* q = reinterpret_cast<QueueSource*>(source);
  for (int i = 0; i < q->count; ++i) {
    if (g_source_query_unix_fd(source, q->tags[i]) & G_IO_IN) return TRUE;
  }
  return CurrentMessageWaitSources().timeoutMs == 0;
}

gboolean QueueDispatch(GSource*, GSourceFunc, gpointer) {
  ClearMessageWake();
  return G_SOURCE_CONTINUE;
}

GSourceFuncs g_queueFuncs = {QueuePrepare, QueueCheck, QueueDispatch, nullptr, nullptr, nullptr};

// While held, the descriptors are not polled either: a readable one would
// end every wait at once.
void WatchQueueDescriptors() {
  if (g_queueSource == nullptr) return;
  const auto events = static_cast<GIOCondition>(g_queueHolds > 0 ? 0 : G_IO_IN);
  for (int i = 0; i < g_queueSource->count; ++i)
    g_source_modify_unix_fd(&g_queueSource->base, g_queueSource->tags[i], events);
}

void EnsureQueueSource() {
  if (g_queueSource != nullptr) return;
  GSource* source = g_source_new(&g_queueFuncs, sizeof(QueueSource));
  g_queueSource = reinterpret_cast<QueueSource*>(source);
  MessageWaitSources w = CurrentMessageWaitSources();
  g_queueSource->count = 0;
  for (int i = 0; i < w.count; ++i)
    g_queueSource->tags[g_queueSource->count++] = g_source_add_unix_fd(source, w.fds[i], G_IO_IN);
  WatchQueueDescriptors();
  g_source_attach(source, nullptr);
}

// A GtkFixed that asks for exactly the dialog's size: GtkFixed would ask for
// its children's natural sizes, and a wrapping label's natural width is its
// whole text on one line.
struct LvxFixed {
  GtkFixed parent;
  int width;
  int height;
};
struct LvxFixedClass {
  GtkFixedClass parent_class;
};

G_DEFINE_TYPE(LvxFixed, lvx_fixed, GTK_TYPE_FIXED)

void LvxFixedPreferredWidth(GtkWidget* w, gint* minimum, gint* natural) {
  *minimum = *natural = reinterpret_cast<LvxFixed*>(w)->width;
}
void LvxFixedPreferredHeight(GtkWidget* w, gint* minimum, gint* natural) {
  *minimum = *natural = reinterpret_cast<LvxFixed*>(w)->height;
}
void lvx_fixed_class_init(LvxFixedClass* klass) {
  GtkWidgetClass* widget = GTK_WIDGET_CLASS(klass);
  widget->get_preferred_width = LvxFixedPreferredWidth;
  widget->get_preferred_height = LvxFixedPreferredHeight;
}
void lvx_fixed_init(LvxFixed* self) {
  self->width = 1;
  self->height = 1;
}

GtkWidget* NewFixed(int width, int height) {
  auto* f = static_cast<LvxFixed*>(g_object_new(lvx_fixed_get_type(), nullptr));
  f->width = std::max(1, width);
  f->height = std::max(1, height);
  return GTK_WIDGET(f);
}

// Dialog templates give Win32's compact heights (an edit of 12 to 14 units);
// the theme's roomier padding is trimmed in our dialogs so text fields and
// buttons keep the places their templates give them.
constexpr const char* kDialogCss =
    ".lumivex-dialog entry { min-height: 0; padding-top: 1px; padding-bottom: 1px; }\n"
    ".lumivex-dialog button { min-height: 0; min-width: 0; padding: 1px 6px; }\n"
    ".lumivex-dialog combobox button { padding-top: 1px; padding-bottom: 1px; }\n"
    ".lumivex-dialog notebook tab { padding: 3px 8px; }\n";

void AddDialogStyle(GtkWidget* window) {
  static GtkCssProvider* provider = nullptr;
  if (provider == nullptr) {
    provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kDialogCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  gtk_style_context_add_class(gtk_widget_get_style_context(window), "lumivex-dialog");
}

class GtkMirror;

struct Widget {
  HWND hwnd = nullptr;
  Kind kind = Kind::Text;
  GtkWidget* outer = nullptr;      // what sits in the GtkFixed
  GtkWidget* inner = nullptr;      // the entry, text view, button ...
  GtkWidget* noneRadio = nullptr;  // a radio group's hidden "nothing checked"
  GtkMirror* mirror = nullptr;
};

class GtkMirror : public Mirror {
 public:
  explicit GtkMirror(Dialog& d) : hwnd_(d.hwnd), page_(d.page_sheet != nullptr) {}
  ~GtkMirror() override;

  void Build() override;
  void AddControl(HWND control) override;
  void Update(HWND control) override;
  void Show(HWND hwnd, bool show) override;
  void Move(HWND hwnd, int x, int y, int width, int height) override;
  void Enable(HWND hwnd, bool enable) override;
  void Focus(HWND hwnd) override;
  void SetTitle(const std::string& title) override;
  void Raise() override;
  void Redraw(HWND control) override;
  void ControlDestroyed(HWND control) override;
  void AttachPage(int index, Mirror& page) override;
  void ShowPage(int index) override;
  std::optional<std::string> WidgetText(HWND control) override;
  std::optional<int> WidgetCheck(HWND control) override;
  std::optional<bool> WidgetSensitive(HWND control) override;
  std::optional<bool> WidgetVisible(HWND control) override;
  std::optional<RECT> WidgetScreenRect(HWND control) override;
  void* NativeWindow() override { return window_; }

  GtkWidget* Fixed() const { return fixed_; }
  HWND Hwnd() const { return hwnd_; }
  bool Suppressed() const { return suppress_ > 0; }

 private:
  struct Quiet {
    explicit Quiet(GtkMirror& m) : m_(m) { ++m_.suppress_; }
    ~Quiet() { --m_.suppress_; }
    GtkMirror& m_;
  };

  void CreateWidget(Control& c);
  void Place(Widget& w, const RECT& r);
  void Sync(Widget& w);
  Widget* Find(HWND control) {
    auto it = widgets_.find(control);
    return it == widgets_.end() ? nullptr : it->second.get();
  }
  GtkWidget* RadioLeader(const Control& c);
  void NoteClientOrigin();

  static void OnClicked(GtkButton*, gpointer data);
  static void OnPressed(GtkButton*, gpointer data);
  static void OnReleased(GtkButton*, gpointer data);
  static void OnToggled(GtkToggleButton* button, gpointer data);
  static void OnEntryChanged(GtkEditable* editable, gpointer data);
  static void OnEntryInsert(GtkEditable* editable, gchar* text, gint length, gint* position,
                            gpointer data);
  static void OnEntryActivate(GtkEntry*, gpointer data);
  static void OnBufferChanged(GtkTextBuffer* buffer, gpointer data);
  static gboolean OnTextKey(GtkWidget*, GdkEventKey* event, gpointer data);
  static void OnComboChanged(GtkComboBox* combo, gpointer data);
  static gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer data);
  static gboolean OnFocusIn(GtkWidget*, GdkEvent*, gpointer data);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data);
  static gboolean OnConfigure(GtkWidget*, GdkEvent*, gpointer data);
  static void OnSwitchPage(GtkNotebook* notebook, GtkWidget*, guint index, gpointer data);

  HWND hwnd_;
  bool page_;
  GtkWidget* window_ = nullptr;
  GtkWidget* fixed_ = nullptr;
  GtkWidget* notebook_ = nullptr;
  std::vector<GtkWidget*> slots_;
  std::map<HWND, std::unique_ptr<Widget>> widgets_;
  std::map<HWND, GtkWidget*> radioLeaders_;  // first radio of a group -> hidden leader
  int suppress_ = 0;
};

GtkMirror::~GtkMirror() {
  ++suppress_;
  for (auto& [h, leader] : radioLeaders_) {
    if (leader != nullptr) g_object_unref(leader);
  }
  widgets_.clear();
  if (window_ != nullptr) {
    gtk_widget_destroy(window_);
  } else if (fixed_ != nullptr) {
    gtk_widget_destroy(fixed_);
    g_object_unref(fixed_);
  }
  gtk::SettleGtk();
}

void GtkMirror::Build() {
  Quiet quiet(*this);
  Dialog* d = FindDialog(hwnd_);
  if (d == nullptr) return;
  RECT client{};
  GetClientRect(hwnd_, &client);
  fixed_ = NewFixed(ToLogical(client.right), ToLogical(client.bottom));
  if (page_) {
    g_object_ref_sink(fixed_);
  } else {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    AddDialogStyle(window_);
    char title[512];
    GetWindowTextA(hwnd_, title, sizeof title);
    gtk_window_set_title(GTK_WINDOW(window_), ToUtf8(title).c_str());
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_icon_name(GTK_WINDOW(window_), "lumivex");
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    if (void* owner = GtkWindowOf(d->owner)) {
      gtk_window_set_transient_for(GTK_WINDOW(window_), GTK_WINDOW(owner));
      gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER_ON_PARENT);
    }
    gtk_container_add(GTK_CONTAINER(window_), fixed_);
    g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);
    g_signal_connect(window_, "configure-event", G_CALLBACK(OnConfigure), this);
  }
  if (d->sheet) {
    Sheet& s = *d->sheet;
    notebook_ = gtk_notebook_new();
    gtk_notebook_set_scrollable(GTK_NOTEBOOK(notebook_), TRUE);
    for (const SheetPage& p : s.pages) {
      GtkWidget* slot = NewFixed(ToLogical(s.pageWidth), ToLogical(s.pageHeight));
      GtkWidget* tab = gtk_label_new(ToUtf8(p.title).c_str());
      gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), slot, tab);
      slots_.push_back(slot);
    }
    // The notebook spans from the margin to the button row.
    int margin = std::max(1, s.pageOrigin.x * 7 / 11);
    gtk_fixed_put(GTK_FIXED(fixed_), notebook_, ToLogical(margin), ToLogical(margin));
    gtk_widget_set_size_request(notebook_, ToLogical(client.right - 2 * margin), -1);
    g_signal_connect(notebook_, "switch-page", G_CALLBACK(OnSwitchPage), this);
    gtk_widget_show_all(notebook_);
  }
  // Group boxes first, so the controls they frame are drawn over them.
  for (int pass = 0; pass < 2; ++pass) {
    for (HWND h : d->controls) {
      Control* c = FindControl(h);
      if (c == nullptr || (c->kind == Kind::GroupBox) != (pass == 0)) continue;
      CreateWidget(*c);
    }
  }
  gtk_widget_show(fixed_);
}

void GtkMirror::AddControl(HWND control) {
  if (Control* c = FindControl(control)) {
    Quiet quiet(*this);
    CreateWidget(*c);
  }
}

GtkWidget* GtkMirror::RadioLeader(const Control& c) {
  std::vector<HWND> group = RadioGroup(c);
  HWND first = group.empty() ? c.hwnd : group.front();
  GtkWidget*& leader = radioLeaders_[first];
  if (leader == nullptr) {
    // Never shown: it is the one checked when the model checks none.
    leader = gtk_radio_button_new(nullptr);
    g_object_ref_sink(leader);
  }
  return leader;
}

void GtkMirror::CreateWidget(Control& c) {
  if (Find(c.hwnd) != nullptr) return;
  auto w = std::make_unique<Widget>();
  w->hwnd = c.hwnd;
  w->kind = c.kind;
  w->mirror = this;
  Widget* raw = w.get();
  switch (c.kind) {
    case Kind::Button:
      w->inner = w->outer = gtk_button_new_with_mnemonic(Mnemonic(c.text).c_str());
      g_signal_connect(w->inner, "clicked", G_CALLBACK(OnClicked), raw);
      g_signal_connect(w->inner, "pressed", G_CALLBACK(OnPressed), raw);
      g_signal_connect(w->inner, "released", G_CALLBACK(OnReleased), raw);
      break;
    case Kind::CheckBox:
    case Kind::Radio: {
      if (c.kind == Kind::CheckBox) {
        w->inner = gtk_check_button_new_with_mnemonic(Mnemonic(c.text).c_str());
      } else {
        w->inner = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(RadioLeader(c)),
                                                                  Mnemonic(c.text).c_str());
        w->noneRadio = RadioLeader(c);
      }
      w->outer = w->inner;
      if (GtkWidget* label = gtk_bin_get_child(GTK_BIN(w->inner)); GTK_IS_LABEL(label)) {
        gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
        gtk_label_set_line_wrap_mode(GTK_LABEL(label), PANGO_WRAP_WORD_CHAR);
        gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
      }
      g_signal_connect(w->inner, "toggled", G_CALLBACK(OnToggled), raw);
      break;
    }
    case Kind::GroupBox:
      w->inner = w->outer = gtk_frame_new(Plain(c.text, false).c_str());
      break;
    case Kind::Text: {
      w->inner = w->outer = gtk_label_new(nullptr);
      GtkLabel* label = GTK_LABEL(w->inner);
      gtk_label_set_line_wrap(label, TRUE);
      gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
      DWORD align = c.style & SS_TYPEMASK;
      gtk_label_set_xalign(label, align == SS_CENTER ? 0.5f : align == SS_RIGHT ? 1.0f : 0.0f);
      gtk_label_set_yalign(label, 0.0f);
      gtk_label_set_justify(label, align == SS_CENTER  ? GTK_JUSTIFY_CENTER
                                   : align == SS_RIGHT ? GTK_JUSTIFY_RIGHT
                                                       : GTK_JUSTIFY_LEFT);
      break;
    }
    case Kind::Edit:
      if (c.IsMultiLine()) {
        w->inner = gtk_text_view_new();
        gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(w->inner), GTK_WRAP_WORD_CHAR);
        gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(w->inner), FALSE);
        gtk_text_view_set_left_margin(GTK_TEXT_VIEW(w->inner), 3);
        gtk_text_view_set_right_margin(GTK_TEXT_VIEW(w->inner), 3);
        w->outer = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(w->outer), GTK_POLICY_NEVER,
                                       GTK_POLICY_AUTOMATIC);
        gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(w->outer), GTK_SHADOW_IN);
        gtk_container_add(GTK_CONTAINER(w->outer), w->inner);
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w->inner));
        g_signal_connect(buffer, "changed", G_CALLBACK(OnBufferChanged), raw);
        g_signal_connect(w->inner, "key-press-event", G_CALLBACK(OnTextKey), raw);
      } else {
        w->inner = w->outer = gtk_entry_new();
        gtk_entry_set_width_chars(GTK_ENTRY(w->inner), 1);
        g_signal_connect(w->inner, "insert-text", G_CALLBACK(OnEntryInsert), raw);
        g_signal_connect(w->inner, "changed", G_CALLBACK(OnEntryChanged), raw);
        g_signal_connect(w->inner, "activate", G_CALLBACK(OnEntryActivate), raw);
      }
      break;
    case Kind::Combo: {
      w->inner = w->outer = gtk_combo_box_text_new();
      // Long items are cut with an ellipsis instead of widening the dialog.
      GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(w->inner));
      for (GList* l = cells; l != nullptr; l = l->next) {
        g_object_set(l->data, "ellipsize", PANGO_ELLIPSIZE_END, "width-chars", 4, nullptr);
      }
      g_list_free(cells);
      gtk_combo_box_set_popup_fixed_width(GTK_COMBO_BOX(w->inner), FALSE);
      g_signal_connect(w->inner, "changed", G_CALLBACK(OnComboChanged), raw);
      break;
    }
    case Kind::Frame:
    case Kind::Bitmap:
      w->inner = w->outer = gtk_drawing_area_new();
      g_signal_connect(w->inner, "draw", G_CALLBACK(OnDraw), raw);
      break;
  }
  if (c.kind != Kind::Text && c.kind != Kind::GroupBox && c.kind != Kind::Frame &&
      c.kind != Kind::Bitmap) {
    g_signal_connect(w->inner, "focus-in-event", G_CALLBACK(OnFocusIn), raw);
  }
  widgets_[c.hwnd] = std::move(w);
  Place(*raw, ControlRect(c.hwnd, hwnd_));
  Sync(*raw);
}

void GtkMirror::Place(Widget& w, const RECT& r) {
  int width = std::max(1, ToLogical(r.right - r.left));
  int height = std::max(1, ToLogical(r.bottom - r.top));
  gtk_widget_set_size_request(w.outer, width, height);
  if (gtk_widget_get_parent(w.outer) == nullptr) {
    gtk_fixed_put(GTK_FIXED(fixed_), w.outer, ToLogical(r.left), ToLogical(r.top));
  } else {
    gtk_fixed_move(GTK_FIXED(fixed_), w.outer, ToLogical(r.left), ToLogical(r.top));
  }
}

void GtkMirror::Sync(Widget& w) {
  Control* c = FindControl(w.hwnd);
  if (c == nullptr) return;
  Quiet quiet(*this);
  switch (c->kind) {
    case Kind::Button:
      gtk_button_set_label(GTK_BUTTON(w.inner), Mnemonic(c->text).c_str());
      gtk_button_set_use_underline(GTK_BUTTON(w.inner), TRUE);
      break;
    case Kind::CheckBox:
    case Kind::Radio:
      gtk_button_set_label(GTK_BUTTON(w.inner), Mnemonic(c->text).c_str());
      gtk_button_set_use_underline(GTK_BUTTON(w.inner), TRUE);
      if (GtkWidget* label = gtk_bin_get_child(GTK_BIN(w.inner)); GTK_IS_LABEL(label)) {
        gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
        gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
      }
      if (c->kind == Kind::CheckBox) {
        gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(w.inner),
                                           c->check == BST_INDETERMINATE);
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.inner), c->check != BST_UNCHECKED);
      } else if (c->check == BST_CHECKED) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.inner), TRUE);
      } else if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(w.inner)) && w.noneRadio) {
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w.noneRadio), TRUE);
      }
      break;
    case Kind::GroupBox:
      gtk_frame_set_label(GTK_FRAME(w.inner), Plain(c->text, false).c_str());
      break;
    case Kind::Text:
      gtk_label_set_text(GTK_LABEL(w.inner), Plain(c->text, (c->style & SS_NOPREFIX) != 0).c_str());
      break;
    case Kind::Edit: {
      const bool readOnly = (c->style & ES_READONLY) != 0;
      if (c->IsMultiLine()) {
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w.inner));
        GtkTextIter a, b;
        gtk_text_buffer_get_bounds(buffer, &a, &b);
        gchar* now = gtk_text_buffer_get_text(buffer, &a, &b, FALSE);
        std::string want = ToUtf8(FromWin32Lines(c->text));
        if (want != now) gtk_text_buffer_set_text(buffer, want.c_str(), -1);
        g_free(now);
        gtk_text_view_set_editable(GTK_TEXT_VIEW(w.inner), !readOnly);
      } else {
        GtkEntry* entry = GTK_ENTRY(w.inner);
        std::string want = ToUtf8(c->text);
        if (want != gtk_entry_get_text(entry)) gtk_entry_set_text(entry, want.c_str());
        gtk_entry_set_visibility(entry, c->passwordChar == 0);
        if (c->passwordChar != 0) gtk_entry_set_invisible_char(entry, 0x2022);
        gtk_editable_set_editable(GTK_EDITABLE(entry), !readOnly);
        gtk_entry_set_alignment(entry, (c->style & ES_RIGHT)    ? 1.0f
                                       : (c->style & ES_CENTER) ? 0.5f
                                                                : 0.0f);
      }
      break;
    }
    case Kind::Combo: {
      GtkComboBoxText* combo = GTK_COMBO_BOX_TEXT(w.inner);
      GtkTreeModel* model = gtk_combo_box_get_model(GTK_COMBO_BOX(combo));
      bool same =
          gtk_tree_model_iter_n_children(model, nullptr) == static_cast<int>(c->items.size());
      if (same) {
        GtkTreeIter it;
        bool valid = gtk_tree_model_get_iter_first(model, &it);
        for (std::size_t i = 0; same && valid && i < c->items.size(); ++i) {
          gchar* text = nullptr;
          gtk_tree_model_get(model, &it, 0, &text, -1);
          same = text != nullptr && ToUtf8(c->items[i]) == text;
          g_free(text);
          valid = gtk_tree_model_iter_next(model, &it);
        }
      }
      if (!same) {
        gtk_combo_box_text_remove_all(combo);
        for (const std::string& item : c->items)
          gtk_combo_box_text_append_text(combo, ToUtf8(item).c_str());
      }
      gtk_combo_box_set_active(GTK_COMBO_BOX(combo), c->selection);
      break;
    }
    case Kind::Frame:
    case Kind::Bitmap:
      gtk_widget_queue_draw(w.inner);
      break;
  }
  gtk_widget_set_sensitive(w.outer, IsWindowEnabled(w.hwnd));
  gtk_widget_set_visible(w.outer, (GetWindowLongA(w.hwnd, GWL_STYLE) & WS_VISIBLE) != 0);
  if (w.inner != w.outer) gtk_widget_show(w.inner);
}

void GtkMirror::Update(HWND control) {
  if (Widget* w = Find(control)) Sync(*w);
}

void GtkMirror::Show(HWND hwnd, bool show) {
  Quiet quiet(*this);
  if (hwnd == hwnd_) {
    if (window_ == nullptr) return;  // a page lives in its sheet's notebook
    if (show) {
      Dialog* d = FindDialog(hwnd_);
      gtk_window_set_modal(GTK_WINDOW(window_), d != nullptr && d->modal);
      gtk_widget_show(window_);
      gtk_window_present(GTK_WINDOW(window_));
    } else {
      gtk_widget_hide(window_);
    }
    return;
  }
  if (Widget* w = Find(hwnd)) gtk_widget_set_visible(w->outer, show);
}

void GtkMirror::Move(HWND hwnd, int x, int y, int width, int height) {
  Quiet quiet(*this);
  if (hwnd == hwnd_) {
    if (window_ != nullptr) gtk_window_move(GTK_WINDOW(window_), ToLogical(x), ToLogical(y));
    return;
  }
  if (Widget* w = Find(hwnd)) Place(*w, RECT{x, y, x + width, y + height});
}

void GtkMirror::Enable(HWND hwnd, bool enable) {
  Quiet quiet(*this);
  // A dialog disabled under a modal one stays as it looks; GTK's modality
  // keeps the user out.
  if (Widget* w = Find(hwnd)) gtk_widget_set_sensitive(w->outer, enable);
}

void GtkMirror::Focus(HWND hwnd) {
  Quiet quiet(*this);
  if (Widget* w = Find(hwnd)) gtk_widget_grab_focus(w->inner);
}

void GtkMirror::SetTitle(const std::string& title) {
  if (window_ != nullptr) gtk_window_set_title(GTK_WINDOW(window_), ToUtf8(title).c_str());
}

void GtkMirror::Raise() {
  if (window_ != nullptr) gtk_window_present(GTK_WINDOW(window_));
}

void GtkMirror::Redraw(HWND control) {
  Widget* w = Find(control);
  if (w == nullptr) return;
  gtk_widget_queue_draw(w->inner);
  // Drawn at once as well: a picture drawn and changed again inside one
  // handler that pauses (an eye blink) must reach the screen before GTK's
  // next frame would.
  GdkWindow* gw = gtk_widget_get_window(w->inner);
  if (gw == nullptr || !gtk_widget_get_mapped(w->inner) || !gtk_widget_get_has_window(w->inner))
    return;
  const cairo_rectangle_int_t all{0, 0, gdk_window_get_width(gw), gdk_window_get_height(gw)};
  cairo_region_t* region = cairo_region_create_rectangle(&all);
  GdkDrawingContext* context = gdk_window_begin_draw_frame(gw, region);
  if (context != nullptr) {
    OnDraw(w->inner, gdk_drawing_context_get_cairo_context(context), w);
    gdk_window_end_draw_frame(gw, context);
  }
  cairo_region_destroy(region);
  gdk_display_flush(gdk_window_get_display(gw));
}

void GtkMirror::ControlDestroyed(HWND control) {
  auto it = widgets_.find(control);
  if (it == widgets_.end()) return;
  Quiet quiet(*this);
  gtk_widget_destroy(it->second->outer);
  widgets_.erase(it);
}

void GtkMirror::AttachPage(int index, Mirror& page) {
  auto& p = static_cast<GtkMirror&>(page);
  if (index < 0 || index >= static_cast<int>(slots_.size()) || p.Fixed() == nullptr) return;
  gtk_fixed_put(GTK_FIXED(slots_[static_cast<std::size_t>(index)]), p.Fixed(), 0, 0);
  gtk_widget_show(p.Fixed());
}

void GtkMirror::ShowPage(int index) {
  if (notebook_ == nullptr) return;
  Quiet quiet(*this);
  gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook_), index);
}

std::optional<std::string> GtkMirror::WidgetText(HWND control) {
  Widget* w = Find(control);
  if (w == nullptr) return std::nullopt;
  switch (w->kind) {
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::Radio:
      return std::string(gtk_button_get_label(GTK_BUTTON(w->inner)));
    case Kind::GroupBox:
      return std::string(
          gtk_frame_get_label(GTK_FRAME(w->inner)) ? gtk_frame_get_label(GTK_FRAME(w->inner)) : "");
    case Kind::Text:
      return std::string(gtk_label_get_text(GTK_LABEL(w->inner)));
    case Kind::Edit:
      if (GTK_IS_TEXT_VIEW(w->inner)) {
        GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w->inner));
        GtkTextIter a, b;
        gtk_text_buffer_get_bounds(buffer, &a, &b);
        gchar* text = gtk_text_buffer_get_text(buffer, &a, &b, FALSE);
        std::string out = text;
        g_free(text);
        return out;
      }
      return std::string(gtk_entry_get_text(GTK_ENTRY(w->inner)));
    case Kind::Combo: {
      gchar* text = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(w->inner));
      std::string out = text != nullptr ? text : "";
      g_free(text);
      return out;
    }
    default:
      return std::nullopt;
  }
}

std::optional<int> GtkMirror::WidgetCheck(HWND control) {
  Widget* w = Find(control);
  if (w == nullptr || (w->kind != Kind::CheckBox && w->kind != Kind::Radio)) return std::nullopt;
  GtkToggleButton* t = GTK_TOGGLE_BUTTON(w->inner);
  if (gtk_toggle_button_get_inconsistent(t)) return BST_INDETERMINATE;
  return gtk_toggle_button_get_active(t) ? BST_CHECKED : BST_UNCHECKED;
}

std::optional<bool> GtkMirror::WidgetSensitive(HWND control) {
  Widget* w = Find(control);
  if (w == nullptr) return std::nullopt;
  return gtk_widget_is_sensitive(w->outer) != FALSE;
}

std::optional<bool> GtkMirror::WidgetVisible(HWND control) {
  Widget* w = Find(control);
  if (w == nullptr) return std::nullopt;
  return gtk_widget_get_visible(w->outer) != FALSE && gtk_widget_get_mapped(w->outer) != FALSE;
}

std::optional<RECT> GtkMirror::WidgetScreenRect(HWND control) {
  Widget* w = Find(control);
  if (w == nullptr || !gtk_widget_get_realized(w->outer)) return std::nullopt;
  GdkWindow* gw = gtk_widget_get_window(w->outer);
  if (gw == nullptr) return std::nullopt;
  GtkAllocation a;
  gtk_widget_get_allocation(w->outer, &a);
  int ox = 0, oy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  // A widget without its own GDK window is allocated in its window's coordinates.
  const int scale = ScaleFactor();
  int x = ox + a.x, y = oy + a.y;
  if (gtk_widget_get_has_window(w->outer)) {
    x = ox;
    y = oy;
  }
  return RECT{x * scale, y * scale, (x + a.width) * scale, (y + a.height) * scale};
}

void GtkMirror::NoteClientOrigin() {
  if (window_ == nullptr || fixed_ == nullptr || !gtk_widget_get_realized(fixed_)) return;
  GdkWindow* gw = gtk_widget_get_window(fixed_);
  if (gw == nullptr) return;
  int ox = 0, oy = 0;
  gdk_window_get_origin(gw, &ox, &oy);
  GtkAllocation a;
  gtk_widget_get_allocation(fixed_, &a);
  if (!gtk_widget_get_has_window(fixed_)) {
    ox += a.x;
    oy += a.y;
  }
  const int scale = ScaleFactor();
  NoteWindowMoved(hwnd_, ox * scale, oy * scale);
}

// ---- Signals ----

void GtkMirror::OnClicked(GtkButton*, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (w->mirror->Suppressed()) return;
  if (Control* c = FindControl(w->hwnd)) UserClick(*c);
}

// A push button held down by the mouse reports BST_PUSHED, as on Windows,
// until it is let go.
void GtkMirror::OnPressed(GtkButton*, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (!w->mirror->Suppressed()) SendMessageA(w->hwnd, BM_SETSTATE, TRUE, 0);
}

void GtkMirror::OnReleased(GtkButton*, gpointer data) {
  SendMessageA(static_cast<Widget*>(data)->hwnd, BM_SETSTATE, FALSE, 0);
}

void GtkMirror::OnToggled(GtkToggleButton* button, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (w->mirror->Suppressed()) return;
  Control* c = FindControl(w->hwnd);
  if (c == nullptr) return;
  // A radio group reports the one going off too; only the one going on clicks.
  if (c->kind == Kind::Radio && !gtk_toggle_button_get_active(button)) return;
  UserClick(*c);
}

void GtkMirror::OnEntryInsert(GtkEditable* editable, gchar* text, gint length, gint*,
                              gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (w->mirror->Suppressed()) return;
  Control* c = FindControl(w->hwnd);
  if (c == nullptr) return;
  std::string piece =
      length < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(length));
  bool refuse = false;
  if (c->style & ES_NUMBER) {
    refuse = std::any_of(piece.begin(), piece.end(), [](char ch) { return ch < '0' || ch > '9'; });
  }
  const std::size_t now = std::strlen(gtk_entry_get_text(GTK_ENTRY(editable)));
  if (now + piece.size() > static_cast<std::size_t>(c->limit)) refuse = true;
  if (refuse) {
    gtk_widget_error_bell(GTK_WIDGET(editable));
    g_signal_stop_emission_by_name(editable, "insert-text");
    if (!(c->style & ES_NUMBER) || now + piece.size() > static_cast<std::size_t>(c->limit)) {
      HWND target = NotifyTarget(*c);
      SendMessageA(target, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(c->id), EN_MAXTEXT),
                   reinterpret_cast<LPARAM>(c->hwnd));
    }
  }
}

void GtkMirror::OnEntryChanged(GtkEditable* editable, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (w->mirror->Suppressed()) return;
  if (Control* c = FindControl(w->hwnd)) UserEditText(*c, gtk_entry_get_text(GTK_ENTRY(editable)));
}

void GtkMirror::OnEntryActivate(GtkEntry*, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (w->mirror->Suppressed()) return;
  UserKey(w->mirror->Hwnd(), VK_RETURN);
}

void GtkMirror::OnBufferChanged(GtkTextBuffer* buffer, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (w->mirror->Suppressed()) return;
  Control* c = FindControl(w->hwnd);
  if (c == nullptr) return;
  GtkTextIter a, b;
  gtk_text_buffer_get_bounds(buffer, &a, &b);
  gchar* text = gtk_text_buffer_get_text(buffer, &a, &b, FALSE);
  std::string win = ToWin32Lines(text);
  g_free(text);
  if (win.size() > static_cast<std::size_t>(c->limit)) {
    // Over the limit: the model keeps what fits and the widget shows that.
    gtk_widget_error_bell(w->inner);
    UserEditText(*c, win);
    w->mirror->Update(w->hwnd);
    return;
  }
  UserEditText(*c, win);
}

gboolean GtkMirror::OnTextKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (event->keyval != GDK_KEY_Return && event->keyval != GDK_KEY_KP_Enter) return FALSE;
  Control* c = FindControl(w->hwnd);
  if (c == nullptr) return FALSE;
  // Enter breaks the line only in an edit that wants it, or with Ctrl held.
  if ((c->style & ES_WANTRETURN) || (event->state & GDK_CONTROL_MASK)) return FALSE;
  UserKey(w->mirror->Hwnd(), VK_RETURN);
  return TRUE;
}

void GtkMirror::OnComboChanged(GtkComboBox* combo, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (w->mirror->Suppressed()) return;
  int index = gtk_combo_box_get_active(combo);
  if (Control* c = FindControl(w->hwnd); c != nullptr && index >= 0) UserSelect(*c, index);
}

gboolean GtkMirror::OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  Surface* s = WindowSurface(w->hwnd);
  Control* c = FindControl(w->hwnd);
  if (s == nullptr || c == nullptr || s->width <= 0 || s->height <= 0) return FALSE;
  cairo_surface_t* image =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(s->pixels.data()),
                                          CAIRO_FORMAT_RGB24, s->width, s->height, s->width * 4);
  const double scale = ScaleFactor();
  cairo_surface_set_device_scale(image, scale, scale);
  cairo_save(cr);
  if (c->kind == Kind::Bitmap) {
    // Only the picture: around it the window's own background shows.
    const RECT& r = c->imageRect;
    cairo_rectangle(cr, r.left / scale, r.top / scale, (r.right - r.left) / scale,
                    (r.bottom - r.top) / scale);
    cairo_clip(cr);
  }
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_surface_destroy(image);
  return FALSE;
}

gboolean GtkMirror::OnFocusIn(GtkWidget*, GdkEvent*, gpointer data) {
  auto* w = static_cast<Widget*>(data);
  if (!w->mirror->Suppressed()) NoteFocus(w->hwnd);
  return FALSE;
}

gboolean GtkMirror::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* m = static_cast<GtkMirror*>(data);
  SendMessageA(m->hwnd_, WM_CLOSE, 0, 0);
  return TRUE;  // the model decides whether the window goes
}

gboolean GtkMirror::OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* m = static_cast<GtkMirror*>(data);
  HWND target = m->hwnd_;
  // Keys in a sheet act for the page that holds the focus. A focus left in
  // the window beneath (the sheet's owner) is not ours: Escape there would
  // cancel the owner while the sheet stays open.
  if (Control* fc = FindControl(GetFocus())) {
    const Dialog* owner = FindDialog(fc->dialog);
    if (fc->dialog == m->hwnd_ || (owner != nullptr && owner->page_sheet == m->hwnd_))
      target = fc->dialog;
  }
  switch (event->keyval) {
    case GDK_KEY_Escape:
      UserKey(target, VK_ESCAPE);
      return TRUE;
    case GDK_KEY_F1:
      UserKey(target, VK_F1);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: {
      // Entries and text views handle Enter themselves (activate / new line).
      GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(m->window_));
      if (focus != nullptr && (GTK_IS_ENTRY(focus) || GTK_IS_TEXT_VIEW(focus))) return FALSE;
      if (focus != nullptr && GTK_IS_BUTTON(focus)) return FALSE;  // activates itself
      UserKey(target, VK_RETURN);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

gboolean GtkMirror::OnConfigure(GtkWidget*, GdkEvent*, gpointer data) {
  static_cast<GtkMirror*>(data)->NoteClientOrigin();
  return FALSE;
}

void GtkMirror::OnSwitchPage(GtkNotebook* notebook, GtkWidget*, guint index, gpointer data) {
  auto* m = static_cast<GtkMirror*>(data);
  if (m->Suppressed()) return;
  if (!SheetSelectPage(m->hwnd_, static_cast<int>(index))) {
    // The page refused to be left: the tab stays where it was.
    g_signal_stop_emission_by_name(notebook, "switch-page");
  }
}

// The desktop font's base units, measured once.
struct Units {
  int x = 0, y = 0;
};

Units MeasureUnits() {
  Units u;
  GtkWidget* probe = gtk_label_new("");
  g_object_ref_sink(probe);
  PangoLayout* layout =
      gtk_widget_create_pango_layout(probe, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  g_object_unref(layout);
  g_object_unref(probe);
  const int scale = ScaleFactor();
  u.x = std::max(1, (w / 26 + 1) / 2) * scale;
  u.y = std::max(1, h) * scale;
  return u;
}

}  // namespace

namespace gtk {

bool Start() {
  if (g_gtkState < 0) {
    // Our number formatting must not follow the user's locale.
    gtk_disable_setlocale();
    gdk_set_allowed_backends("x11");
    g_gtkState = gtk_init_check(nullptr, nullptr) ? 1 : 0;
    if (!g_gtkState)
      std::fprintf(stderr, "lumivex: GTK cannot start; dialogs run without a window\n");
  }
  return g_gtkState == 1;
}

void BaseUnits(int* x, int* y) {
  static Units units = MeasureUnits();
  *x = units.x;
  *y = units.y;
}

Mirror* NewMirror(Dialog& dialog) { return new GtkMirror(dialog); }

QueueHold::QueueHold() {
  if (++g_queueHolds == 1) WatchQueueDescriptors();
}

QueueHold::~QueueHold() {
  if (--g_queueHolds == 0) {
    WatchQueueDescriptors();
    g_main_context_wakeup(nullptr);
  }
}

void SettleGtk() {
  QueueHold hold;
  // Bounded all the same: a widget that animates would never let it end.
  for (int i = 0; i < 1000 && gtk_events_pending(); ++i) gtk_main_iteration_do(FALSE);
}

void ModalLoop(HWND hwnd) {
  EnsureQueueSource();
  for (;;) {
    Dialog* d = FindDialog(hwnd);
    if (d == nullptr || d->ended) return;
    MSG m;
    // Ours first, a bounded batch so GTK keeps drawing under a busy queue.
    for (int i = 0; i < 200 && PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        EndDialog(hwnd, 0);
        return;
      }
      DispatchMessageA(&m);
      d = FindDialog(hwnd);
      if (d == nullptr || d->ended) return;
    }
    PresentDirtyWindows();
    g_main_context_iteration(nullptr, TRUE);
  }
}

}  // namespace gtk
}  // namespace lvx::dialog
