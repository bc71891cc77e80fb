// Whether the computer is online through a dial-up connection. The saver asks
// this before a check on a modem setup; the answer comes from the
// point-to-point (ppp*) network interfaces the kernel lists.
#pragma once

#include <string>
#include <vector>

class RasApiDLLClass {
 public:
  // The two lookups of the connection service. Both return 0 on success.
  // Lists the dial-up connections (ppp* interfaces) in the interface folder.
  using EnumConnectionsFn = int (*)(const std::string& folder, std::vector<std::string>* names);
  // Whether one of them is up: operstate "up", or an undetermined operstate
  // with the interface flags up and running (as ppp links report it).
  using GetConnectStatusFn = int (*)(const std::string& folder, const std::string& name,
                                     bool* connected);

  RasApiDLLClass();

  // Sets the two lookups up on the interface folder. 0 when ready, 1 when
  // they already were, 2 when the folder cannot be read.
  int LoadDLL();
  void UnloadDLL();
  bool Loaded() const { return !folder_.empty(); }
  // Online only with exactly one dial-up connection, and that one up; never
  // when LoadDLL did not succeed.
  bool Connected() const;

 private:
  EnumConnectionsFn enumConnections_;
  GetConnectStatusFn getConnectStatus_;
  // The interface folder in use; empty while nothing is loaded.
  std::string folder_;
};

// The one connection test of the saver.
extern RasApiDLLClass RasApiDLL;

namespace lvx {
// Tests: the folder LoadDLL reads instead of /sys/class/net (nullptr: that one).
void SetNetFolderForTests(const char* folder);
}  // namespace lvx
