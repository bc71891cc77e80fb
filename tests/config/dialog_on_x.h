// The real program's settings dialog on an X server with the real GTK
// widgets, driven with xdotool: where its controls lie on the screen, and
// what it stored.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/winapi.h"
#include "resources/dialogs.h"
#include "tests/support/xserver.h"

// A place or a size in dialog units.
struct Units {
  double x = 0, y = 0;
};

// Clicks the point `at` of `window`, which is `size` dialog units large,
// scaled as the window came out.
inline void ClickInUnits(const lvx::test::XDisplay& x, const std::string& window, Units at,
                         Units size) {
  const lvx::test::WindowBox box = x.Geometry(window);
  x.ClickAt(box.x + static_cast<int>(at.x * box.width / size.x),
            box.y + static_cast<int>(at.y * box.height / size.y));
}

// Clicks the middle of a control of dialog `templateId`, whose own place in
// `window` is `origin` (a page sits inside its sheet); `size` is the
// window's, the template's own when left out.
inline void ClickControl(const lvx::test::XDisplay& x, const std::string& window, int templateId,
                         int controlId, Units origin = {}, Units size = {}) {
  const lvx::res::DialogTemplate* t = lvx::res::FindDialogTemplate(templateId);
  for (std::size_t i = 0; t != nullptr && i < t->count; ++i) {
    const lvx::res::DialogItem& item = t->items[i];
    if (item.id != controlId) continue;
    if (size.x <= 0) size = Units{static_cast<double>(t->cx), static_cast<double>(t->cy)};
    ClickInUnits(x, window,
                 Units{origin.x + item.x + item.cx / 2.0, origin.y + item.y + item.cy / 2.0}, size);
    return;
  }
  ADD_FAILURE() << "no control " << controlId << " in " << templateId;
}

// A value of the settings file as stored, "<none>" when there is none.
inline std::string IniValue(const char* section, const char* key) {
  char buffer[400] = "";
  GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof buffer,
                           (lvx::ConfigFolder() + "/Lumivex.ini").c_str());
  return buffer;
}
