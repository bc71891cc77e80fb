// Shared by the settings suites: captured message boxes and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/test_support.h"

namespace lvx::test {

// Runs `body` and returns what it wrote to standard error (message boxes).
inline std::string Stderr(const std::function<void()>& body) {
  ::testing::internal::CaptureStderr();
  body();
  return ::testing::internal::GetCapturedStderr();
}

// How often a box with this caption and text was shown (the headless display
// writes line breaks as the two characters \n).
inline int Boxes(const std::string& err, const std::string& caption, const std::string& text) {
  std::string needle = "MessageBox [" + caption + "] ";
  for (char c : text) needle += c == '\n' ? std::string("\\n") : std::string(1, c);
  int n = 0;
  for (std::size_t pos = err.find(needle); pos != std::string::npos;
       pos = err.find(needle, pos + needle.size()))
    ++n;
  return n;
}

inline int CountOf(const std::string& text, const std::string& needle) {
  int n = 0;
  for (std::size_t pos = text.find(needle); pos != std::string::npos;
       pos = text.find(needle, pos + needle.size()))
    ++n;
  return n;
}

inline std::string SettingsFile() { return Home() + "/Lumivex.ini"; }
inline std::string LogPath() { return Home() + "/lumivex-log.txt"; }

}  // namespace lvx::test
