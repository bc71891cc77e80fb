// X displays driven from the outside, as a person would use them: the X
// command-line tools (xdotool, import ...) run against a display name.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/process.h"

namespace lvx::test {

// A window's place and size on the screen.
struct WindowBox {
  int x = 0, y = 0, width = 0, height = 0;
};

class XDisplay {
 public:
  explicit XDisplay(std::string name = "") : name_(std::move(name)) {}

  // ":N", or "" when there is no display.
  const std::string& Display() const { return name_; }
  // What a program started on this display needs in its environment.
  Env SaverEnv() const { return {{"DISPLAY", name_}, {"LUMIVEX_DISPLAY", "x11"}}; }
  // Runs a command line on this display; its standard output.
  std::string Tool(const std::string& command) const;

  // Ids of the windows with exactly this title; only the viewable ones when
  // `visibleOnly`.
  std::vector<std::string> Windows(const std::string& title, bool visibleOnly = false) const;
  // The first such window, waiting up to 30 s for one; "" if none came.
  std::string WaitForWindow(const std::string& title, bool visibleOnly = false) const;
  WindowBox Geometry(const std::string& window) const;
  // Moves the pointer to (x, y) on the screen and clicks the first button.
  void ClickAt(int x, int y) const;

 protected:
  std::string name_;
};

// A private Xvfb for one test, ready for clients when the constructor
// returns; Display() is "" when none could be started.
class XServer : public XDisplay {
 public:
  explicit XServer(const char* geometry = "1280x1024x24");
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

 private:
  Child server_;
};

}  // namespace lvx::test
