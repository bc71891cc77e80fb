// One TCP connection to a POP3 server, plain or TLS, with a time limit on
// every wait: a silent server ends the check instead of holding it forever.
#pragma once

#include <csignal>
#include <memory>
#include <string>

#include "mail/pop3_reply.h"
#include "mail/tls_library.h"

enum class ReceiveResult {
  Line,      // a reply line arrived
  Closed,    // the server closed the connection first
  TimedOut,  // nothing whole arrived within the time limit
  TooLong,   // a line ran past ReplyLimit
  Failed,    // a socket or TLS error
};

class Pop3Connection {
 public:
  Pop3Connection();
  ~Pop3Connection();
  Pop3Connection(const Pop3Connection&) = delete;
  Pop3Connection& operator=(const Pop3Connection&) = delete;

  // Tries the server's addresses in turn (IPv6 and IPv4); true once one of
  // them accepted within timeoutMs. A name is looked up with getaddrinfo,
  // an address is taken as it stands.
  bool Connect(const ServerAddress& server, int timeoutMs);
  // TLS over the connected socket: the certificate must chain to the system's
  // trust store (or the CA file in LUMIVEX_TEST_MAIL_CA) and name `host`.
  // On failure `error` says why (also when the TLS module cannot be loaded);
  // the connection is then of no further use.
  bool StartTls(const std::string& host, int timeoutMs, std::string* error);
  // Sends every byte; false on an error or when the time runs out.
  bool Send(const std::string& text, int timeoutMs);
  // The next reply line, within timeoutMs from now.
  ReceiveResult Receive(std::string* line, int timeoutMs);
  // Forgets bytes that arrived after the last reply taken.
  void DiscardBuffered() { reader_.Clear(); }
  bool Encrypted() const { return tls_ != nullptr; }
  void Close();

 private:
  // Reads what is there, or waits for it until the deadline; the bytes go to
  // reader_. Line here means that bytes arrived.
  ReceiveResult ReadSome(long long deadline);

  int fd_;
  std::unique_ptr<TlsSession> tls_;
  ReplyReader reader_;
};

// Keeps SIGPIPE off the calling thread while it lives: OpenSSL writes to the
// socket with write(), and a server that hangs up must not end the saver.
class SigpipeBlock {
 public:
  SigpipeBlock();
  ~SigpipeBlock();
  SigpipeBlock(const SigpipeBlock&) = delete;
  SigpipeBlock& operator=(const SigpipeBlock&) = delete;

 private:
  sigset_t old_;
  bool wasPending_;
};

namespace lvx {
// Tests: the limit on each connect and each reply, in milliseconds (30000).
void SetMailTimeoutForTests(int milliseconds);
}  // namespace lvx

// The limit on each connect and each reply, in milliseconds.
int MailTimeout();
