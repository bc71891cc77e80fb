// Process, time, files and shell services (KERNEL32, ADVAPI32, SHELL32 subset),
// plus the Linux folders that stand in for Windows ones.
#pragma once

#include <string>

#include "platform/winapi/types.h"

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};

#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  CHAR cFileName[MAX_PATH];
};

#define VER_PLATFORM_WIN32_NT 2

// Error codes of GetLastError.
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_NO_MORE_FILES 18L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_ALREADY_EXISTS 183L

// ShellExecuteA results of 32 and below.
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_NOASSOC 31

DWORD GetLastError();
void SetLastError(DWORD error);

// Time.
DWORD GetTickCount();
void Sleep(DWORD ms);
void GetLocalTime(SYSTEMTIME* st);

// Process and module.
HMODULE GetModuleHandleA(LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
LPSTR GetCommandLineA();
BOOL GetUserNameA(LPSTR buffer, LPDWORD size);
BOOL GetVersionExA(OSVERSIONINFOA* info);
DWORD GetVersion();

// Folders and files.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
BOOL CreateDirectoryA(LPCSTR path, LPVOID security);
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
BOOL DeleteFileA(LPCSTR path);
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

// Shell.
#define SW_SHOWDEFAULT 10
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, int showCmd);

namespace lvx {
// The per-user settings folder ("$CURRENT"): $LUMIVEX_HOME, else
// $XDG_CONFIG_HOME/lumivex, else ~/.config/lumivex. Created on demand.
std::string ConfigFolder();
// The folder of lumivex-log.txt: $LUMIVEX_HOME, else $XDG_STATE_HOME/lumivex,
// else ~/.local/state/lumivex. Created on demand.
std::string LogFolder();
// The user's desktop folder (XDG user-dirs, else ~/Desktop); "" when there is none.
std::string DesktopFolder();
// The machine-wide data folder ("$SYSTEM"): /usr/share/lumivex.
std::string SystemFolder();
// Tests and the host: the process's own command line as main() received it.
void SetProcessArguments(int argc, char** argv);
}  // namespace lvx
