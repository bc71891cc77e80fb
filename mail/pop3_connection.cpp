// One POP3 connection: a socket with a time limit on every wait, and TLS on
// it through the TLS module (mail/tls/openssl_tls.cpp).
#include "mail/pop3_connection.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/winapi.h"

namespace {

constexpr int kDefaultTimeoutMs = 30000;
std::atomic<int> timeoutMs{kDefaultTimeoutMs};

// One receive takes at most this much, as the dialogue always did.
constexpr int kChunk = 1024;

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// 1 when fd is ready for `events` before the deadline, 0 when the time ran
// out, -1 on an error.
int WaitFor(int fd, short events, long long deadline) {
  for (;;) {
    const long long left = deadline - NowMs();
    if (left <= 0) return 0;
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, static_cast<int>(left > 60000 ? 60000 : left));
    if (n > 0) return 1;
    if (n < 0 && errno != EINTR) return -1;
  }
}

}  // namespace

TlsLibrary* LoadedTls(std::string* why) {
  static std::string failure;
  static TlsLibrary* const library = [] {
    return lvx::LoadModuleInterface<TlsLibrary>(kTlsModule, kTlsEntry, kTlsRevision, &failure);
  }();
  if (library == nullptr && why != nullptr) *why = "no TLS (" + failure + ")";
  return library;
}

int MailTimeout() { return timeoutMs.load(); }

namespace lvx {
void SetMailTimeoutForTests(int milliseconds) {
  timeoutMs.store(milliseconds > 0 ? milliseconds : kDefaultTimeoutMs);
}
}  // namespace lvx

SigpipeBlock::SigpipeBlock() : old_{}, wasPending_(false) {
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, &old_);
  sigset_t pending;
  sigemptyset(&pending);
  wasPending_ = sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1;
}

SigpipeBlock::~SigpipeBlock() {
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  sigset_t pending;
  sigemptyset(&pending);
  // A broken pipe raised while blocked is taken here, not delivered later.
  if (!wasPending_ && sigpending(&pending) == 0 && sigismember(&pending, SIGPIPE) == 1) {
    const timespec now{0, 0};
    sigtimedwait(&pipe, nullptr, &now);
  }
  pthread_sigmask(SIG_SETMASK, &old_, nullptr);
}

Pop3Connection::Pop3Connection() : fd_(-1) {}

Pop3Connection::~Pop3Connection() { Close(); }

void Pop3Connection::Close() {
  tls_.reset();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  reader_.Clear();
}

bool Pop3Connection::Connect(const ServerAddress& server, int timeoutMs) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = server.byAddress ? AI_NUMERICHOST : 0;
  char port[8];
  std::snprintf(port, sizeof port, "%u", static_cast<unsigned>(server.port));
  addrinfo* list = nullptr;
  if (getaddrinfo(server.host.c_str(), port, &hints, &list) != 0) return false;

  for (addrinfo* a = list; a != nullptr && fd_ < 0; a = a->ai_next) {
    const int fd =
        socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    // Each address gets the whole limit: an unreachable IPv6 route must not
    // use up the time of the IPv4 address behind it.
    const long long deadline = NowMs() + timeoutMs;
    bool connected = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS && WaitFor(fd, POLLOUT, deadline) == 1) {
      int error = 0;
      socklen_t size = sizeof error;
      connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    if (connected) {
      fd_ = fd;
    } else {
      close(fd);
    }
  }
  freeaddrinfo(list);
  return fd_ >= 0;
}

bool Pop3Connection::StartTls(const std::string& host, int timeoutMs, std::string* error) {
  const auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  if (fd_ < 0) return fail("not connected");
  std::string why;
  TlsLibrary* library = LoadedTls(&why);
  if (library == nullptr) return fail(why);
  const char* extraCa = std::getenv("LUMIVEX_TEST_MAIL_CA");
  if (extraCa != nullptr && *extraCa == '\0') extraCa = nullptr;
  std::unique_ptr<TlsSession> session(library->NewSession(fd_, host, extraCa, &why));
  if (!session) return fail(why);

  // Plain bytes that came before the handshake are not part of the secure
  // session; they must not pass for a reply given over TLS.
  reader_.Clear();
  const long long deadline = NowMs() + timeoutMs;
  for (;;) {
    const TlsSession::Step step = session->Handshake(&why);
    if (step == TlsSession::Step::Done) break;
    int ready = -1;
    if (step == TlsSession::Step::WantRead) {
      ready = WaitFor(fd_, POLLIN, deadline);
    } else if (step == TlsSession::Step::WantWrite) {
      ready = WaitFor(fd_, POLLOUT, deadline);
    } else {
      return fail(why);
    }
    if (ready == 0) return fail("TLS handshake timed out");
    if (ready < 0) return fail("connection failed during the handshake");
  }
  tls_ = std::move(session);
  return true;
}

bool Pop3Connection::Send(const std::string& text, int timeoutMs) {
  if (fd_ < 0) return false;
  const long long deadline = NowMs() + timeoutMs;
  std::size_t sent = 0;
  while (sent < text.size()) {
    const char* data = text.data() + sent;
    const std::size_t left = text.size() - sent;
    short wait = 0;
    if (tls_) {
      std::size_t n = 0;
      const TlsSession::Step step = tls_->Write(data, left, &n);
      if (step == TlsSession::Step::Done) {
        sent += n;
        continue;
      }
      if (step == TlsSession::Step::WantRead) {
        wait = POLLIN;
      } else if (step == TlsSession::Step::WantWrite) {
        wait = POLLOUT;
      } else {
        return false;
      }
    } else {
      const ssize_t n = send(fd_, data, left, MSG_NOSIGNAL);
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
      wait = POLLOUT;
    }
    if (WaitFor(fd_, wait, deadline) != 1) return false;
  }
  return true;
}

ReceiveResult Pop3Connection::ReadSome(long long deadline) {
  char chunk[kChunk];
  for (;;) {
    short wait = POLLIN;
    if (tls_) {
      std::size_t n = 0;
      const TlsSession::Step step = tls_->Read(chunk, sizeof chunk, &n);
      if (step == TlsSession::Step::Done) {
        reader_.Feed(chunk, n);
        return ReceiveResult::Line;
      }
      if (step == TlsSession::Step::Closed) return ReceiveResult::Closed;
      if (step == TlsSession::Step::WantWrite) {
        wait = POLLOUT;
      } else if (step != TlsSession::Step::WantRead) {
        return ReceiveResult::Failed;
      }
    } else {
      const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
      if (n > 0) {
        reader_.Feed(chunk, static_cast<std::size_t>(n));
        return ReceiveResult::Line;
      }
      if (n == 0) return ReceiveResult::Closed;
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EWOULDBLOCK) return ReceiveResult::Failed;
    }
    const int ready = WaitFor(fd_, wait, deadline);
    if (ready == 0) return ReceiveResult::TimedOut;
    if (ready < 0) return ReceiveResult::Failed;
  }
}

ReceiveResult Pop3Connection::Receive(std::string* line, int timeoutMs) {
  if (fd_ < 0 || line == nullptr) return ReceiveResult::Failed;
  const long long deadline = NowMs() + timeoutMs;
  for (;;) {
    if (reader_.TakeLine(*line)) return ReceiveResult::Line;
    if (reader_.Overlong()) return ReceiveResult::TooLong;
    const ReceiveResult got = ReadSome(deadline);
    if (got != ReceiveResult::Line) return got;
  }
}
