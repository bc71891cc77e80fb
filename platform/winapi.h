// The one header the saver includes: the Win32 subset Lumivex is written
// against, implemented on Linux by the rest of platform/.
//
// Names, types, constants and their values are the Win32 ones, so code reads
// the same as on Windows. Linux-only services that have no Win32 name live in
// namespace lvx (folders, test hooks) and are declared next to their area.
#pragma once

#include "platform/winapi/types.h"
#include "platform/winapi/user.h"
#include "platform/winapi/gdi.h"
#include "platform/winapi/kernel.h"
#include "platform/winapi/profile.h"
#include "platform/winapi/resources.h"
#include "platform/winapi/sound.h"
#include "platform/winapi/dialog.h"
#include "platform/winapi/text.h"
#include "platform/winapi/propsheet.h"
#include "platform/winapi/commdlg.h"
