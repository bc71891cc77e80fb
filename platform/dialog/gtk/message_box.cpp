// MessageBoxA on X11 (liblumivex_gtk.so): a GTK message dialog above the
// saver and above its owner, closed with its default answer when the program
// is told to end.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cstdint>

#include "platform/dialog/gtk/parts.h"

namespace lvx::dialog::gtk {
namespace {

// How often an open box looks whether the program was told to end.
constexpr int kTerminationPollMs = 50;

struct TerminationWatch {
  GtkDialog* dialog;
  int answer;
  bool fired;
};

gboolean CloseOnTermination(gpointer data) {
  auto* watch = static_cast<TerminationWatch*>(data);
  if (!lvx::TerminationRequested()) return G_SOURCE_CONTINUE;
  watch->fired = true;
  gtk_dialog_response(watch->dialog, watch->answer);
  return G_SOURCE_REMOVE;
}

GtkMessageType KindOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return GTK_MESSAGE_ERROR;
    case MB_ICONQUESTION:
      return GTK_MESSAGE_QUESTION;
    case MB_ICONEXCLAMATION:
      return GTK_MESSAGE_WARNING;
    case MB_ICONASTERISK:
      return GTK_MESSAGE_INFO;
    default:
      return GTK_MESSAGE_OTHER;
  }
}

}  // namespace

int MessageBox(HWND owner, const std::string& text, const std::string& caption, UINT type,
               const std::vector<BoxButton>& buttons, int fallback) {
  // GTK takes UTF-8 only; texts from older files are converted.
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, KindOf(type),
                                             GTK_BUTTONS_NONE, "%s", lvx::ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), lvx::ToUtf8(caption).c_str());
  bool hasCancel = false;
  for (const BoxButton& b : buttons) {
    gtk_dialog_add_button(GTK_DIALOG(dialog), b.label, b.id);
    hasCancel = hasCancel || b.id == IDCANCEL;
  }
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
  if (void* ownerWindow = GtkWindowOf(owner)) {
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
  TerminationWatch watch{GTK_DIALOG(dialog), fallback, false};
  const guint source = g_timeout_add(kTerminationPollMs, CloseOnTermination, &watch);
  int answer = 0;
  QueueHold hold;
  while (answer == 0) {
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (lvx::TerminationRequested()) {
      answer = fallback;
    } else if (response > 0) {
      answer = response;
    } else if (closable) {
      answer = hasCancel ? IDCANCEL : IDOK;  // Escape or the close button
    }
  }
  if (!watch.fired) g_source_remove(source);
  gtk_widget_destroy(dialog);
  SettleGtk();
  return answer;
}

}  // namespace lvx::dialog::gtk
