// TLS comes from OpenSSL rather than GnuTLS: OpenSSL checks the certificate's
// host name or IP address inside the handshake itself (SSL_set1_host,
// X509_VERIFY_PARAM_set1_ip_asc), finds the system trust store with one call,
// and its non-blocking interface fits the poll() loop that gives every wait
// its time limit. It is also the library the test server and the openssl
// tool that makes the test certificates are built on, so both ends of the
// end-to-end tests agree on what a valid certificate is.
#include "mail/pop3_connection.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
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

void InitOpenSsl() {
  static std::once_flag once;
  // No clean-up at exit: a worker may still be inside the library while the
  // saver ends, and the process frees everything anyway.
  std::call_once(once, [] { OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT, nullptr); });
}

bool IsAddress(const std::string& host) {
  in6_addr v6{};
  in_addr v4{};
  return inet_pton(AF_INET, host.c_str(), &v4) == 1 || inet_pton(AF_INET6, host.c_str(), &v6) == 1;
}

std::string OpenSslError() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return "TLS handshake failed";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

}  // namespace

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

Pop3Connection::Pop3Connection() : fd_(-1), ctx_(nullptr), ssl_(nullptr) {}

Pop3Connection::~Pop3Connection() { Close(); }

void Pop3Connection::Close() {
  if (ssl_ != nullptr) SSL_free(ssl_);
  if (ctx_ != nullptr) SSL_CTX_free(ctx_);
  if (fd_ >= 0) close(fd_);
  ssl_ = nullptr;
  ctx_ = nullptr;
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
  InitOpenSsl();
  ERR_clear_error();
  ctx_ = SSL_CTX_new(TLS_client_method());
  if (ctx_ == nullptr) return fail(OpenSslError());
  SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
  SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
  if (SSL_CTX_set_default_verify_paths(ctx_) != 1) return fail(OpenSslError());
  const char* extraCa = std::getenv("LUMIVEX_TEST_MAIL_CA");
  if (extraCa != nullptr && *extraCa != '\0' &&
      SSL_CTX_load_verify_locations(ctx_, extraCa, nullptr) != 1)
    return fail(std::string("cannot read the CA file ") + extraCa);

  ssl_ = SSL_new(ctx_);
  if (ssl_ == nullptr || SSL_set_fd(ssl_, fd_) != 1) return fail(OpenSslError());
  if (IsAddress(host)) {
    if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.c_str()) != 1)
      return fail(OpenSslError());
  } else {
    SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (SSL_set_tlsext_host_name(ssl_, host.c_str()) != 1 || SSL_set1_host(ssl_, host.c_str()) != 1)
      return fail(OpenSslError());
  }

  // Plain bytes that came before the handshake are not part of the secure
  // session; they must not pass for a reply given over TLS.
  reader_.Clear();
  const long long deadline = NowMs() + timeoutMs;
  for (;;) {
    const int r = SSL_connect(ssl_);
    if (r == 1) break;
    const int e = SSL_get_error(ssl_, r);
    int ready = -1;
    if (e == SSL_ERROR_WANT_READ) {
      ready = WaitFor(fd_, POLLIN, deadline);
    } else if (e == SSL_ERROR_WANT_WRITE) {
      ready = WaitFor(fd_, POLLOUT, deadline);
    }
    if (ready == 1) continue;
    if (ready == 0) return fail("TLS handshake timed out");
    const long verify = SSL_get_verify_result(ssl_);
    if (verify != X509_V_OK) {
      ERR_clear_error();
      return fail(std::string("certificate not accepted: ") +
                  X509_verify_cert_error_string(verify));
    }
    if (e == SSL_ERROR_SYSCALL && ERR_peek_error() == 0)
      return fail("connection closed during the handshake");
    return fail(OpenSslError());
  }
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
    if (ssl_ != nullptr) {
      const int n = SSL_write(ssl_, data, static_cast<int>(left));
      if (n > 0) {
        sent += static_cast<std::size_t>(n);
        continue;
      }
      const int e = SSL_get_error(ssl_, n);
      if (e == SSL_ERROR_WANT_READ) {
        wait = POLLIN;
      } else if (e == SSL_ERROR_WANT_WRITE) {
        wait = POLLOUT;
      } else {
        ERR_clear_error();
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
    if (ssl_ != nullptr) {
      const int n = SSL_read(ssl_, chunk, sizeof chunk);
      if (n > 0) {
        reader_.Feed(chunk, static_cast<std::size_t>(n));
        return ReceiveResult::Line;
      }
      const int e = SSL_get_error(ssl_, n);
      if (e == SSL_ERROR_ZERO_RETURN) return ReceiveResult::Closed;
      if (e == SSL_ERROR_WANT_WRITE) {
        wait = POLLOUT;
      } else if (e != SSL_ERROR_WANT_READ) {
        ERR_clear_error();
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
