// A scripted POP3 server on the loopback, for the dialogue's failure paths:
// it answers each line the client sends with the next reply of its script,
// in as many TCP segments as the reply lists, and records what it was sent.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct FakeReply {
  // Sent one after another with a pause between them, so that each arrives
  // in a segment of its own.
  std::vector<std::string> segments;
  // Say nothing at all in this place (and after it).
  bool silent = false;
  // Close the connection in this place instead of answering.
  bool hangUp = false;
};

class FakePop3 {
 public:
  // replies[0] is the greeting; the rest answer the client's lines in turn.
  // After the last one the server only listens. v6: on [::1].
  explicit FakePop3(std::vector<FakeReply> replies, bool v6 = false);
  ~FakePop3();
  FakePop3(const FakePop3&) = delete;
  FakePop3& operator=(const FakePop3&) = delete;

  bool Listening() const { return port_ != 0; }
  unsigned short Port() const { return port_; }
  // Holds the greeting back until Release (for overlapping checks).
  void HoldGreeting() { hold_ = true; }
  void Release();
  // The lines received so far, each with its line end.
  std::vector<std::string> Received();
  // Waits until a client has connected.
  bool WaitForClient(int milliseconds);

 private:
  void Serve();
  bool SendAll(int fd, const std::string& bytes);

  std::vector<FakeReply> replies_;
  int listen_;
  unsigned short port_;
  std::atomic<bool> stop_;
  std::atomic<bool> hold_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool connected_;
  bool released_;
  std::vector<std::string> received_;
  std::thread thread_;
};

// A reply in one segment.
FakeReply Reply(const std::string& text);

// A loopback port on which nothing listened a moment ago.
unsigned short UnusedLoopbackPort();
