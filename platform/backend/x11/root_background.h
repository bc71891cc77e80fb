// Internal to platform/: a picture as the background of the X root window,
// the way desktop background tools leave it.
#pragma once

#include "platform/gdi/surface.h"

namespace lvx {

// Stretches the picture over the default screen of $DISPLAY and makes it the
// root window's background. The pixmap outlives this process and is named by
// the _XROOTPMAP_ID and ESETROOT_PMAP_ID properties of the root window, so
// programs that draw pseudo-transparent windows follow; the pixmap that an
// earlier call (ours or another such tool's) left there is freed. False when
// there is no X display or the server refused.
bool SetRootWindowBackground(const Surface& picture);

}  // namespace lvx
