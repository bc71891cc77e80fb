// Dialog templates: the program's dialogs as tables, the way a resource
// script lists them. Positions and sizes are dialog units: 4 horizontal
// units are the average character width of the dialog font, 8 vertical units
// its height, so a dialog grows with the desktop's font.
#pragma once

#include <cstddef>

#include "platform/winapi/types.h"

namespace lvx::res {

// What a control is; the dialog manager adds the Win32 class and base style
// (in brackets) and then the item's own `style` bits.
enum class Ctl : unsigned char {
  PushButton,     // "Button" [BS_PUSHBUTTON | WS_TABSTOP]
  DefPushButton,  // "Button" [BS_DEFPUSHBUTTON | WS_TABSTOP]: Enter presses it
  CheckBox,       // "Button" [BS_AUTOCHECKBOX | WS_TABSTOP]
  RadioButton,    // "Button" [BS_AUTORADIOBUTTON]; a group starts at WS_GROUP
  GroupBox,       // "Button" [BS_GROUPBOX]: a labelled frame
  Text,           // "Static" [SS_LEFT], wraps at its width; SS_CENTER / SS_RIGHT
  Edit,           // "Edit" [ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP]; ES_MULTILINE,
                  // ES_PASSWORD, ES_READONLY, ES_NUMBER as style bits
  ComboBox,       // "ComboBox" [CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP]; cy is the
                  // closed field's height
  Frame,          // "Static" [SS_BLACKFRAME]: a picture frame its dialog paints (WM_PAINT)
  Bitmap,         // "Static" [SS_BITMAP | SS_CENTERIMAGE]: shows bitmap resource `image`
                  // (or STM_SETIMAGE's), centred, shrunk to fit if larger
};

struct DialogItem {
  Ctl kind;
  int id;            // -1 (IDC_STATIC) for texts nobody addresses
  const char* text;  // caption or label; "&" marks the mnemonic of buttons
  short x, y, cx, cy;
  DWORD style;  // extra styles (WS_GROUP, WS_DISABLED, ES_MULTILINE, SS_CENTER ...)
  int image;    // Bitmap: the bitmap resource number; else 0
};

struct DialogTemplate {
  int id;
  const char* caption;  // the title; for property pages the tab's caption
  short cx, cy;         // client size
  DWORD style;          // DS_* / WS_* of the dialog (pages carry WS_CHILD)
  const DialogItem* items;
  std::size_t count;
};

// The template with this id, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);
// Every template, in id order.
const DialogTemplate* const* AllDialogTemplates(std::size_t* count);

}  // namespace lvx::res
