// Every test process runs on the headless display with its own LUMIVEX_HOME.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/test_support.h"

int main(int argc, char** argv) {
  std::string tmpl = (std::filesystem::temp_directory_path() / "lumivex-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) {
    perror("mkdtemp");
    return 2;
  }
  setenv("LUMIVEX_HOME", tmpl.c_str(), 1);
  // Where the tree and the build are, for tests that read committed files or
  // run built programs.
  setenv("LUMIVEX_SOURCE_DIR", LUMIVEX_SOURCE_DIR_DEFAULT, 0);
  setenv("LUMIVEX_BINARY_DIR", LUMIVEX_BINARY_DIR_DEFAULT, 0);
  setenv("LUMIVEX_DISPLAY", "headless", 1);
  unsetenv("LUMIVEX_SNAPSHOT");
  unsetenv("LUMIVEX_MSGBOX_ANSWERS");
  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  std::error_code ec;
  if (std::getenv("LUMIVEX_KEEP_TEST_HOME") == nullptr) std::filesystem::remove_all(tmpl, ec);
  return rc;
}
