// Process, time, files and shell services (KERNEL32, ADVAPI32, SHELL32 subset),
// plus the Linux folders that stand in for Windows ones.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/winapi/types.h"

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};

#define FILE_ATTRIBUTE_READONLY 0x00000001
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
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_WRITE_PROTECT 19L
#define ERROR_LOCK_VIOLATION 33L
#define ERROR_DISK_FULL 112L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_BAD_FILE_TYPE 222L
#define ERROR_FILE_TOO_LARGE 223L
#define ERROR_DIRECTORY_NOT_SUPPORTED 336L
#define ERROR_IO_DEVICE 1117L
#define ERROR_REQUEST_ABORTED 1235L
#define ERROR_CANT_RESOLVE_FILENAME 1921L
// An error of the system with no Win32 counterpart: this bit with its errno.
#define LVX_ERROR_ERRNO_BASE 0x20000000L

// The system's text for an error code (FormatMessageA with
// FORMAT_MESSAGE_FROM_SYSTEM): the reason Linux gives, without the line end
// Windows puts after it. Inserts and message tables are not supported.
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPSTR buffer,
                     DWORD size, va_list* arguments);

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

// Modules loaded while the program runs (shared objects). A name without a
// slash is looked for in the program's own folder, then in <prefix>/lib/lumivex
// beside its bin folder, then (for programs of the build tree) in the build's
// module folder, and last by the system's library search; a name without an
// extension gets ".so", as Win32 gives it ".dll". All of a module's references
// are resolved when it is loaded: one that lacks a function of the program
// fails (ERROR_PROC_NOT_FOUND) instead of failing later. Loading a module
// again counts up, FreeLibrary counts down and unloads at zero.
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
// Marks a module's entry function for GetProcAddress (what
// __declspec(dllexport) does on Win32); nothing else of a module is visible.
#define LVX_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

// Folders and files.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
BOOL CreateDirectoryA(LPCSTR path, LPVOID security);
BOOL CopyFileA(LPCSTR from, LPCSTR to, BOOL failIfExists);
BOOL DeleteFileA(LPCSTR path);
BOOL RemoveDirectoryA(LPCSTR path);
// FILE_ATTRIBUTE_READONLY takes every write permission away; without it the
// owner may write again. Other attributes have no meaning here.
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
// A new empty file "<folder>/<first three letters of prefix>XXXXXX.tmp" with a
// name no other file has (unique must be 0); its path goes to `out`
// (MAX_PATH bytes). Returns non-zero on success.
UINT GetTempFileNameA(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR out);

// CopyFileExA: the copy reports its progress to a routine that may stop it.
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  long long QuadPart;
};
#define PROGRESS_CONTINUE 0
#define PROGRESS_CANCEL 1
#define PROGRESS_STOP 2
#define PROGRESS_QUIET 3
#define CALLBACK_CHUNK_FINISHED 0x00000000
#define CALLBACK_STREAM_SWITCH 0x00000001
#define COPY_FILE_FAIL_IF_EXISTS 0x00000001
using LPPROGRESS_ROUTINE = DWORD(CALLBACK*)(LARGE_INTEGER totalFileSize,
                                            LARGE_INTEGER totalBytesTransferred,
                                            LARGE_INTEGER streamSize,
                                            LARGE_INTEGER streamBytesTransferred,
                                            DWORD streamNumber, DWORD callbackReason,
                                            HANDLE sourceFile, HANDLE destinationFile, LPVOID data);
// Only regular files are copied (a device or pipe is refused without being
// opened for long). A routine's PROGRESS_CANCEL or PROGRESS_STOP, or *cancel
// turning TRUE, ends the copy with ERROR_REQUEST_ABORTED and no target.
BOOL CopyFileExA(LPCSTR from, LPCSTR to, LPPROGRESS_ROUTINE progress, LPVOID data, BOOL* cancel,
                 DWORD copyFlags);
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
// Opens a regular file like std::fopen ("r", "rb", "w", "a" ...) without ever
// blocking: a pipe, device, socket or folder at `path` is refused (errno
// EINVAL, EISDIR for a folder) and "w" truncates only a regular file.
std::FILE* OpenRegularFile(const char* path, const char* mode);
// The same as a descriptor (-1 and errno on failure); the caller closes it.
int OpenRegularFd(const char* path, const char* mode);
// Appends `size` bytes to the regular file at `path` (made when missing),
// opening and closing it around the write, and allocates no memory: a log
// line written from the frame path costs no allocation.
bool AppendToRegularFile(const char* path, const char* data, std::size_t size);
// A folder only this user may write into, made (mode 700) when missing. In a
// shared temporary folder a folder of the same name may be another user's,
// with links in it that would make us write over our own files: FALSE when
// `path` is not a real folder of ours (ERROR_ACCESS_DENIED). A folder of ours
// that others may write into is closed to them first.
BOOL MakePrivateFolder(const char* path);
// Tests and the host: the process's own command line as main() received it.
void SetProcessArguments(int argc, char** argv);
// Why the last LoadLibraryA or GetProcAddress of this thread failed, in the
// dynamic linker's words (a missing library, a missing function ...).
std::string LastLibraryError();
// One of the program's own modules, loaded for the rest of the process: the
// address of its entry function `entry`, or nullptr when the module cannot be
// loaded or lacks the entry (then *why, when given, says why).
FARPROC LoadModuleEntry(const char* file, const char* entry, std::string* why);
// Tests: modules given by name are looked for in `folders` only (and among
// the system's libraries), as by a program installed without its modules.
void SetModuleFoldersForTests(std::vector<std::string> folders);
// A function found by GetProcAddress as the type it really has.
template <class Function>
Function ProcAs(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}
// A function of the program that a module calls back, for a module's list of
// them (see LUMIVEX_MODULE_CALLBACKS in platform/CMakeLists.txt).
template <class Function>
void (*CallbackOf(Function* f))() {
  return reinterpret_cast<void (*)()>(f);
}
// A module's interface: its entry `Interface* entry(int revision)` asked for
// the revision this program was built for. nullptr when the module cannot be
// loaded or was built for another revision (then *why, when given, says why).
template <class Interface>
Interface* LoadModuleInterface(const char* file, const char* entry, int revision,
                               std::string* why) {
  auto call = ProcAs<Interface* (*)(int)>(LoadModuleEntry(file, entry, why));
  Interface* found = call != nullptr ? call(revision) : nullptr;
  if (call != nullptr && found == nullptr && why != nullptr)
    *why = std::string(file) + " was built for another version of the program";
  return found;
}
}  // namespace lvx
