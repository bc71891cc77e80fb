#include "tests/support/xserver.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <sstream>

namespace lvx::test {

std::string XDisplay::Tool(const std::string& command) const {
  // Bounded: xdotool's --sync waits for a focus or a move that may never come.
  return Shell("DISPLAY=" + name_ + " timeout 60 " + command + " 2>/dev/null");
}

std::vector<std::string> XDisplay::Windows(const std::string& title, bool visibleOnly) const {
  std::vector<std::string> ids;
  std::istringstream out(Tool(std::string("xdotool search ") +
                              (visibleOnly ? "--onlyvisible " : "") + "--name '^" + title + "$'"));
  for (std::string line; std::getline(out, line);)
    if (!line.empty()) ids.push_back(line);
  return ids;
}

std::string XDisplay::WaitForWindow(const std::string& title, bool visibleOnly) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  for (;;) {
    const std::vector<std::string> ids = Windows(title, visibleOnly);
    if (!ids.empty()) return ids.front();
    if (std::chrono::steady_clock::now() >= deadline) return "";
    SleepMs(20);
  }
}

WindowBox XDisplay::Geometry(const std::string& window) const {
  // One NAME=value line each: WINDOW, X, Y, WIDTH, HEIGHT, SCREEN.
  std::map<std::string, int> values;
  std::istringstream out(Tool("xdotool getwindowgeometry --shell " + window));
  for (std::string line; std::getline(out, line);) {
    const std::size_t equals = line.find('=');
    if (equals != std::string::npos)
      values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
  }
  return WindowBox{values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

void XDisplay::ClickAt(int x, int y) const {
  Tool("xdotool mousemove --sync " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

XServer::XServer(const char* geometry) {
  int fds[2];
  if (pipe(fds) != 0) return;
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  SpawnOptions options;
  options.errPath = "/dev/null";
  // Without -noreset the server would start afresh when the readiness check
  // below hangs up, just as the test's first client comes.
  server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", geometry,
                   "-nolisten", "tcp", "-noreset"},
                  std::move(options));
  close(fds[1]);
  // The server writes its display number and a line end once it listens; a
  // server that never does is given up after 30 s.
  std::string number;
  pollfd readable{fds[0], POLLIN, 0};
  char ch = 0;
  while (poll(&readable, 1, 30000) == 1 && read(fds[0], &ch, 1) == 1 && ch != '\n') number += ch;
  close(fds[0]);
  if (number.empty() || server_.Wait(0) != kRunning) return;

  // Listening is not yet answering: on a loaded machine a client that comes
  // at once may be turned away. Ready is when a client has opened the display.
  const std::string display = ":" + number;
  if (HaveTools({"xdpyinfo"})) {
    const std::string probe = "DISPLAY=" + display + " xdpyinfo >/dev/null 2>&1";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::system(probe.c_str()) != 0) {
      if (server_.Wait(0) != kRunning || std::chrono::steady_clock::now() >= deadline) {
        server_.Terminate(5000);
        return;
      }
      SleepMs(50);
    }
  }
  name_ = display;
}

XServer::~XServer() { server_.Terminate(5000); }

}  // namespace lvx::test
