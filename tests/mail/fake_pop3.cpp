#include "tests/mail/fake_pop3.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

FakeReply Reply(const std::string& text) { return FakeReply{{text}, false, false}; }

unsigned short UnusedLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  bind(fd, reinterpret_cast<sockaddr*>(&a), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  close(fd);
  return ntohs(a.sin_port);
}

FakePop3::FakePop3(std::vector<FakeReply> replies, bool v6)
    : replies_(std::move(replies)),
      listen_(-1),
      port_(0),
      stop_(false),
      hold_(false),
      connected_(false),
      released_(false) {
  listen_ = socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_ < 0) return;
  sockaddr_storage address{};
  socklen_t size = 0;
  if (v6) {
    auto* a = reinterpret_cast<sockaddr_in6*>(&address);
    a->sin6_family = AF_INET6;
    a->sin6_addr = in6addr_loopback;
    size = sizeof *a;
  } else {
    auto* a = reinterpret_cast<sockaddr_in*>(&address);
    a->sin_family = AF_INET;
    a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size = sizeof *a;
  }
  if (bind(listen_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      ::listen(listen_, 4) != 0 ||
      getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(listen_);
    listen_ = -1;
    return;
  }
  port_ = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                   : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
  thread_ = std::thread([this] { Serve(); });
}

FakePop3::~FakePop3() {
  stop_ = true;
  Release();
  if (thread_.joinable()) thread_.join();
  if (listen_ >= 0) close(listen_);
}

void FakePop3::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

std::vector<std::string> FakePop3::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

bool FakePop3::WaitForClient(int milliseconds) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                           [this] { return connected_; });
}

bool FakePop3::SendAll(int fd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

void FakePop3::Serve() {
  int client = -1;
  while (!stop_ && client < 0) {
    pollfd p{listen_, POLLIN, 0};
    if (poll(&p, 1, 50) == 1) client = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
  }
  if (client < 0) return;
  const int one = 1;
  setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  {
    std::unique_lock<std::mutex> lock(mutex_);
    connected_ = true;
    changed_.notify_all();
    if (hold_) changed_.wait(lock, [this] { return released_; });
  }

  std::size_t next = 0;
  bool silent = false;
  bool hungUp = false;
  const auto answer = [&] {
    if (silent || next >= replies_.size()) return;
    const FakeReply& reply = replies_[next++];
    if (reply.silent) {
      silent = true;
      return;
    }
    if (reply.hangUp) {
      hungUp = true;
      return;
    }
    for (std::size_t i = 0; i < reply.segments.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(40));
      if (!SendAll(client, reply.segments[i])) return;
    }
  };
  answer();

  std::string line;
  while (!stop_ && !hungUp) {
    pollfd p{client, POLLIN, 0};
    if (poll(&p, 1, 50) != 1) continue;
    char ch = 0;
    const ssize_t n = recv(client, &ch, 1, 0);
    if (n <= 0) break;
    line += ch;
    if (ch != '\n') continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      received_.push_back(line);
    }
    line.clear();
    answer();
  }
  if (!line.empty()) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(line);
  }
  close(client);
}
