// Internal to platform/shell: helpers shared by its files.
#pragma once

#include <string>
#include <vector>

#include "platform/winapi.h"

namespace lvx::shell {

// The program's own path (/proc/self/exe).
std::string ExecutablePath();

// Where LoadLibraryA looks for a module given by name, for the program at
// `executable`: its own folder, <prefix>/lib/lumivex beside its bin folder,
// and the build's module folder when the program lies in the build tree.
std::vector<std::string> ModuleFolders(const std::string& executable);
// The loaded module whose file is called `name` (".so" added as LoadLibraryA
// does); nullptr when none is.
HMODULE LoadedModule(const std::string& name);
// The file a loaded module came from; false for anything else.
bool LoadedModulePath(HMODULE module, std::string* path);

// A path as the saver builds it ("dir\name") made usable on Linux: every
// backslash becomes a slash. "" for a null pointer.
std::string NativePath(LPCSTR path);

// Win32 result convention for a text of known length: copies it with its
// NUL when it fits in `size` bytes and returns its length; otherwise copies
// nothing and returns the size it needs (NUL included).
DWORD CopyOut(const std::string& text, LPSTR buffer, DWORD size);

// The program found in PATH (or `name` itself when it holds a slash and is
// executable); "" when there is none.
std::string FindProgram(const std::string& name);

// Runs a program and waits for it, at most `timeoutMs` (then it is killed).
// Its standard output goes into `output` when given, else to /dev/null.
// Returns the exit status, -1 when it could not run or was killed.
int RunAndWait(const std::vector<std::string>& argv, std::string* output, int timeoutMs);

// Starts a program detached from us (its own session, never our zombie).
// Returns 0 on success, else the errno of the failed start.
int SpawnDetached(const std::vector<std::string>& argv, const std::string& directory);

}  // namespace lvx::shell
