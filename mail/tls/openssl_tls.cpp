// The entry of liblumivex_tls.so: TLS sessions for the mail check.
//
// TLS comes from OpenSSL rather than GnuTLS: OpenSSL checks the certificate's
// host name or IP address inside the handshake itself (SSL_set1_host,
// X509_VERIFY_PARAM_set1_ip_asc), finds the system trust store with one call,
// and its non-blocking interface fits the poll() loop that gives every wait
// its time limit. It is also the library the test server and the openssl
// tool that makes the test certificates are built on, so both ends of the
// end-to-end tests agree on what a valid certificate is.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <climits>
#include <memory>
#include <mutex>

#include "mail/tls_library.h"
#include "platform/winapi.h"

namespace {

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

// One call moves at most this much: OpenSSL takes an int.
int Clamp(std::size_t size) { return size > INT_MAX ? INT_MAX : static_cast<int>(size); }

class OpenSslSession final : public TlsSession {
 public:
  OpenSslSession() = default;
  ~OpenSslSession() override {
    if (ssl_ != nullptr) SSL_free(ssl_);
    if (ctx_ != nullptr) SSL_CTX_free(ctx_);
  }
  OpenSslSession(const OpenSslSession&) = delete;
  OpenSslSession& operator=(const OpenSslSession&) = delete;

  bool Create(int fd, const std::string& host, const char* extraCa, std::string* error) {
    const auto fail = [&](const std::string& why) {
      *error = why;
      return false;
    };
    InitOpenSsl();
    ERR_clear_error();
    ctx_ = SSL_CTX_new(TLS_client_method());
    if (ctx_ == nullptr) return fail(OpenSslError());
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(ctx_) != 1) return fail(OpenSslError());
    if (extraCa != nullptr && SSL_CTX_load_verify_locations(ctx_, extraCa, nullptr) != 1)
      return fail(std::string("cannot read the CA file ") + extraCa);

    ssl_ = SSL_new(ctx_);
    if (ssl_ == nullptr || SSL_set_fd(ssl_, fd) != 1) return fail(OpenSslError());
    if (IsAddress(host)) {
      if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), host.c_str()) != 1)
        return fail(OpenSslError());
    } else {
      SSL_set_hostflags(ssl_, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
      if (SSL_set_tlsext_host_name(ssl_, host.c_str()) != 1 ||
          SSL_set1_host(ssl_, host.c_str()) != 1)
        return fail(OpenSslError());
    }
    return true;
  }

  Step Handshake(std::string* error) override {
    const int r = SSL_connect(ssl_);
    if (r == 1) return Step::Done;
    const int e = SSL_get_error(ssl_, r);
    if (e == SSL_ERROR_WANT_READ) return Step::WantRead;
    if (e == SSL_ERROR_WANT_WRITE) return Step::WantWrite;
    const long verify = SSL_get_verify_result(ssl_);
    if (verify != X509_V_OK) {
      ERR_clear_error();
      *error = std::string("certificate not accepted: ") + X509_verify_cert_error_string(verify);
    } else if (e == SSL_ERROR_SYSCALL && ERR_peek_error() == 0) {
      *error = "connection closed during the handshake";
    } else {
      *error = OpenSslError();
    }
    return Step::Failed;
  }

  Step Write(const char* data, std::size_t size, std::size_t* count) override {
    *count = 0;
    const int n = SSL_write(ssl_, data, Clamp(size));
    if (n > 0) {
      *count = static_cast<std::size_t>(n);
      return Step::Done;
    }
    return Wanted(SSL_get_error(ssl_, n));
  }

  Step Read(char* data, std::size_t size, std::size_t* count) override {
    *count = 0;
    const int n = SSL_read(ssl_, data, Clamp(size));
    if (n > 0) {
      *count = static_cast<std::size_t>(n);
      return Step::Done;
    }
    const int e = SSL_get_error(ssl_, n);
    if (e == SSL_ERROR_ZERO_RETURN) return Step::Closed;
    return Wanted(e);
  }

 private:
  static Step Wanted(int e) {
    if (e == SSL_ERROR_WANT_READ) return Step::WantRead;
    if (e == SSL_ERROR_WANT_WRITE) return Step::WantWrite;
    ERR_clear_error();
    return Step::Failed;
  }

  SSL_CTX* ctx_ = nullptr;
  SSL* ssl_ = nullptr;
};

class OpenSsl final : public TlsLibrary {
 public:
  TlsSession* NewSession(int fd, const std::string& host, const char* extraCa,
                         std::string* error) override {
    auto session = std::make_unique<OpenSslSession>();
    if (!session->Create(fd, host, extraCa, error)) return nullptr;
    return session.release();
  }
};

}  // namespace

LVX_MODULE_EXPORT TlsLibrary* LumivexTls(int revision) {
  static OpenSsl library;
  return revision == kTlsRevision ? &library : nullptr;
}
