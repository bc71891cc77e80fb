#include "tests/support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace lvx::test {

std::string Home() {
  const char* h = std::getenv("LUMIVEX_HOME");
  return h ? h : "";
}

std::string MakeTempDir(const std::string& name) {
  std::filesystem::path p = std::filesystem::path(Home()) / name;
  std::filesystem::remove_all(p);
  std::filesystem::create_directories(p);
  return p.string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string SourceDir() {
  const char* s = std::getenv("LUMIVEX_SOURCE_DIR");
  return s ? s : ".";
}

std::string TestXDisplay() {
  const char* d = std::getenv("LUMIVEX_TEST_X_DISPLAY");
  return d ? d : "";
}

bool UseTestXDisplay() {
  std::string d = TestXDisplay();
  if (d.empty()) return false;
  setenv("DISPLAY", d.c_str(), 1);
  setenv("LUMIVEX_DISPLAY", "x11", 1);
  return true;
}

}  // namespace lvx::test
