// Private profile (INI) files.
#pragma once

#include "platform/winapi/types.h"

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out,
                               DWORD size, LPCSTR fileName);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName);
BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName);

// Several writes to one file as one update, in the way resource updates work
// (BeginUpdateResource / EndUpdateResource): between Begin and End the file's
// lock is held, so other processes sharing the file wait; this thread's
// writes to it are collected and its reads see them; End writes them in one
// rewrite of the file (or drops them when `discard` is TRUE). A Begin for a
// file this thread is already updating joins that update. Returns nullptr
// (GetLastError tells why) when fileName is unusable.
HANDLE BeginUpdatePrivateProfileA(LPCSTR fileName);
BOOL EndUpdatePrivateProfileA(HANDLE update, BOOL discard);
