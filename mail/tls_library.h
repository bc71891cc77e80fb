// TLS for the mail check, done by the module liblumivex_tls.so (OpenSSL):
// the program loads it the first time a check asks for TLS, so a saver
// without that never maps the TLS libraries.
#pragma once

#include <cstddef>
#include <string>

// One TLS session over a connected non-blocking socket. Each call does what
// it can without waiting; the caller waits on the socket for what it wants.
class TlsSession {
 public:
  enum class Step { Done, WantRead, WantWrite, Closed, Failed };
  virtual ~TlsSession() = default;
  // One step of the handshake; on Failed, *error says why.
  virtual Step Handshake(std::string* error) = 0;
  // Done with some bytes written / read (*count of them); Closed when the
  // server ended the session.
  virtual Step Write(const char* data, std::size_t size, std::size_t* count) = 0;
  virtual Step Read(char* data, std::size_t size, std::size_t* count) = 0;
};

class TlsLibrary {
 public:
  // A session on socket `fd` whose server must show a certificate that
  // chains to the system's trust store (or to the CA file `extraCa`, when not
  // null) and names `host`, a host name or an IP address. nullptr when it
  // cannot be set up (then *error says why).
  virtual TlsSession* NewSession(int fd, const std::string& host, const char* extraCa,
                                 std::string* error) = 0;

 protected:
  ~TlsLibrary() = default;
};

// The module's file and entry; the entry returns its library when it was
// built for this revision of the interface, else nullptr.
inline constexpr char kTlsModule[] = "liblumivex_tls.so";
inline constexpr char kTlsEntry[] = "LumivexTls";
inline constexpr int kTlsRevision = 1;
using TlsEntry = TlsLibrary* (*)(int revision);

// The module's library, loaded on first use; nullptr when it cannot be
// loaded (then *why says why, every time it is asked).
TlsLibrary* LoadedTls(std::string* why);
