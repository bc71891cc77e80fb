// Helpers shared by the test suites.
#pragma once

#include <string>

namespace lvx::test {

// This test process's private LUMIVEX_HOME (a fresh temporary folder).
std::string Home();
// A fresh empty folder under Home().
std::string MakeTempDir(const std::string& name);
// Whole file as bytes; "" when missing.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The source tree (for committed resources and fixtures).
std::string SourceDir();
// The X display the test script started (LUMIVEX_TEST_X_DISPLAY), "" if none.
std::string TestXDisplay();
// Switches this process to the X11 display of the test script; false (and the
// caller should fail) when the script started none.
bool UseTestXDisplay();

}  // namespace lvx::test
