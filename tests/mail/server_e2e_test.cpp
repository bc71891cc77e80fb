// The real saver against a real POP3 server: Dovecot on the loopback with a
// throw-away configuration, a passwd-file user with three messages waiting
// and certificates made for the test. Each saver runs headless in a home of
// its own and checks 5 seconds after its start.
#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/mail/fake_pop3.h"
#include "tests/mail/mail_fixture.h"
#include "tests/support/process.h"

namespace {

namespace fs = std::filesystem;

using lvx::test::SleepMs;

bool Run(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

int CountIn(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

bool Accepts(unsigned short port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

bool HaveIpv6Loopback() {
  return lvx::test::ReadFile("/proc/net/if_inet6").find("00000000000000000000000000000001") !=
         std::string::npos;
}

std::string DovecotBinary() {
  for (const char* path : {"/usr/sbin/dovecot", "/usr/local/sbin/dovecot"})
    if (access(path, X_OK) == 0) return path;
  return "";
}

// Why the server cannot run here, or "".
std::string MissingServer() {
  if (DovecotBinary().empty()) return "dovecot is not installed (Debian: dovecot-pop3d)";
  if (access("/usr/lib/dovecot/pop3-login", X_OK) != 0)
    return "the POP3 part of dovecot is not installed (Debian: dovecot-pop3d)";
  if (!Run("command -v openssl")) return "the openssl tool is not installed";
  if (geteuid() == 0 && (getpwnam("dovenull") == nullptr || getpwnam("dovecot") == nullptr))
    return "the users dovenull and dovecot that dovecot's package creates are missing";
  return "";
}

// A self-signed certificate for the given subject names, made now.
bool MakeCertificate(const std::string& dir, const std::string& name, const std::string& names) {
  return Run(
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 "
      "-keyout '" +
      dir + "/" + name + ".key' -out '" + dir + "/" + name + ".pem' " + "-subj /CN=" + name +
      " -addext 'subjectAltName=" + names + "'");
}

class Dovecot {
 public:
  // tlsName: "" for a plain-only server, else the certificate to serve
  // ("localhost" names this machine, "other.example" does not).
  explicit Dovecot(const std::string& tlsName) {
    std::string tmpl = (fs::temp_directory_path() / "lumivex-dovecot-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) return;
    dir_ = tmpl;
    // The unprivileged mail and login processes must reach their files.
    chmod(dir_.c_str(), 0755);
    fs::create_directories(dir_ + "/home/Maildir/tmp");
    fs::create_directories(dir_ + "/home/Maildir/cur");
    fs::create_directories(dir_ + "/home/Maildir/new");
    for (int i = 1; i <= 3; ++i)
      lvx::test::WriteFile(
          dir_ + "/home/Maildir/new/100" + std::to_string(i) + ".M1P1.lumivex",
          "From: moon@example.org\r\nSubject: Night " + std::to_string(i) + "\r\n\r\nLook up.\r\n");
    lvx::test::WriteFile(dir_ + "/passwd", "jonah:{PLAIN}secret\n");

    // As root the server's processes drop to its own users; otherwise
    // everything runs as the one user there is.
    std::string users = "default_login_user = dovenull\ndefault_internal_user = dovecot\n";
    unsigned uid = 65534, gid = 65534;
    if (geteuid() != 0) {
      const passwd* me = getpwuid(geteuid());
      const group* mine = getgrgid(getegid());
      const std::string name = me != nullptr ? me->pw_name : "";
      users = "default_login_user = " + name + "\ndefault_internal_user = " + name +
              "\ndefault_internal_group = " + (mine != nullptr ? mine->gr_name : "") + "\n";
      uid = geteuid();
      gid = getegid();
    } else {
      Run("chown -R 65534:65534 '" + dir_ + "/home'");
    }

    if (!tlsName.empty()) {
      const std::string names =
          tlsName == "localhost" ? "DNS:localhost,IP:127.0.0.1,IP:::1" : "DNS:" + tlsName;
      if (!MakeCertificate(dir_, tlsName, names)) return;
      caFile_ = dir_ + "/" + tlsName + ".pem";
    }
    pop3_ = UnusedLoopbackPort();
    pop3s_ = tlsName.empty() ? 0 : UnusedLoopbackPort();
    const bool root = geteuid() == 0;
    std::string conf = "base_dir = " + dir_ + "/run\n" + "state_dir = " + dir_ + "/state\n" +
                       "log_path = " + dir_ + "/dovecot.log\n" + "protocols = pop3\n" +
                       "listen = 127.0.0.1" + (HaveIpv6Loopback() ? ", ::1" : "") + "\n" +
                       "disable_plaintext_auth = no\n" + "mail_location = maildir:~/Maildir\n" +
                       users + "passdb {\n  driver = passwd-file\n  args = " + dir_ +
                       "/passwd\n}\n" +
                       "userdb {\n  driver = static\n  args = uid=" + std::to_string(uid) +
                       " gid=" + std::to_string(gid) + " home=" + dir_ + "/home\n}\n" +
                       "service pop3-login {\n" + (root ? "" : "  chroot =\n") +
                       "  inet_listener pop3 {\n    port = " + std::to_string(pop3_) + "\n  }\n" +
                       "  inet_listener pop3s {\n    port = " + std::to_string(pop3s_) +
                       "\n    ssl = yes\n  }\n}\n";
    if (tlsName.empty()) {
      conf += "ssl = no\n";
    } else {
      conf +=
          "ssl = yes\nssl_cert = <" + caFile_ + "\nssl_key = <" + dir_ + "/" + tlsName + ".key\n";
    }
    lvx::test::WriteFile(dir_ + "/dovecot.conf", conf);

    lvx::test::SpawnOptions options;
    options.errPath = dir_ + "/stderr.txt";
    server_ =
        lvx::test::Spawn({DovecotBinary(), "-c", dir_ + "/dovecot.conf", "-F"}, std::move(options));
    int probes = 0;
    for (int i = 0; i < 200; ++i) {
      if (server_.Wait(0) != lvx::test::kRunning) break;
      if (Accepts(pop3_)) {
        ++probes;
        if (pop3s_ == 0 || Accepts(pop3s_)) {
          probes += pop3s_ != 0 ? 1 : 0;
          ready_ = true;
          break;
        }
      }
      SleepMs(50);
    }
    // The sessions of the probes above are logged too; the tests look past them.
    for (int i = 0; ready_ && i < 100 && CountIn(Log(), "Disconnected") < probes; ++i) SleepMs(30);
    skip_ = Log().size();
  }

  ~Dovecot() {
    server_.Terminate(5000);
    std::error_code ec;
    if (!dir_.empty() && std::getenv("LUMIVEX_KEEP_TEST_HOME") == nullptr) fs::remove_all(dir_, ec);
  }
  Dovecot(const Dovecot&) = delete;
  Dovecot& operator=(const Dovecot&) = delete;

  bool Ready() const { return ready_; }
  std::string Problem() const {
    return "dovecot did not start: " + lvx::test::ReadFile(dir_ + "/stderr.txt") +
           lvx::test::ReadFile(dir_ + "/dovecot.log");
  }
  unsigned short Pop3() const { return pop3_; }
  unsigned short Pop3s() const { return pop3s_; }
  const std::string& CaFile() const { return caFile_; }
  std::string Log() const { return lvx::test::ReadFile(dir_ + "/dovecot.log"); }
  // What the server logged about the savers' sessions.
  std::string Sessions() const { return Log().substr(skip_); }

 private:
  std::size_t skip_ = 0;
  std::string dir_;
  std::string caFile_;
  unsigned short pop3_ = 0;
  unsigned short pop3s_ = 0;
  lvx::test::Child server_;
  bool ready_ = false;
};

// One saver process with a home of its own and the account in its files.
class Saver {
 public:
  // security < 0: no Security key.
  Saver(const std::string& name, const std::string& server, int security,
        const std::string& password = "secret", const std::string& caFile = "") {
    home_ = lvx::test::MakeTempDir(name);
    // An existing log makes the saver log everything from the start.
    lvx::test::WriteFile(home_ + "/lumivex-log.txt", "");
    IniFile main;
    main.Init(home_.c_str(), "\\Lumivex.ini");
    // Quick frames: the first message stands after 4 seconds and its bottom
    // line has crossed the 640-pixel sky some 7 seconds later; the next
    // projection shows the mail notice.
    main.WriteUInt("params", "FirstTime", 0);
    main.WriteUInt("params", "TickTime", 20);
    main.WriteUInt("params", "FixedTickTime", 20);
    main.WriteUInt("params", "RealTickTime", 100);
    main.UserWriteString("Params", "SwitchOffTV", "0");
    main.UserWriteString("Params", "Moon", "0");
    main.UserWriteString("Messages", "Message___0", "Good night");
    main.UserWriteString("Messages", "BottomLine0", "");
    main.UserWriteString("Email", "Enabled", "1");

    IniFile account;
    account.Init(home_.c_str(), "\\LumivexPrivateSettings.ini");
    account.UserWriteString("Email", "LoginName", "jonah");
    char scrambled[200];
    std::snprintf(scrambled, sizeof scrambled, "%s", password.c_str());
    Scramble(scrambled, sizeof scrambled);
    account.UserWriteString("Email", "Password", scrambled);
    account.UserWriteString("Email", "PopServer", server.c_str());
    account.UserWriteUInt("Email", "CheckEvery", 5);
    account.UserWriteUInt("Email", "LAN", 1);
    if (security >= 0) account.UserWriteUInt("Email", "Security", static_cast<unsigned>(security));

    lvx::test::SpawnOptions options;
    options.env = {
        {"LUMIVEX_HOME", home_}, {"LUMIVEX_DISPLAY", "headless"}, {"LUMIVEX_SCREEN", "640x480"}};
    if (!caFile.empty()) options.env.push_back({"LUMIVEX_TEST_MAIL_CA", caFile});
    options.errPath = home_ + "/stderr.txt";
    saver_ = lvx::test::Spawn({"lumivex", "/s"}, std::move(options));
  }

  std::string Log() const { return lvx::test::ReadFile(home_ + "/lumivex-log.txt"); }
  bool Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

  // The saver's SIGTERM exit code, or kRunning when it did not end within `ms`.
  int Terminate(int ms = 10000) { return saver_.Terminate(ms); }

 private:
  std::string home_;
  lvx::test::Child saver_;
};

// Waits until every saver's log holds its text (or the time is up).
bool WaitForAll(const std::vector<std::pair<Saver*, std::string>>& expected, int ms) {
  for (int waited = 0; waited <= ms; waited += 100) {
    bool all = true;
    for (const auto& [saver, text] : expected) all = all && saver->Logged(text);
    if (all) return true;
    SleepMs(100);
  }
  return false;
}

using MailServer = MailTest;

constexpr const char* kShown = "Project-mail= You've got mail (3)";
constexpr const char* kReturned = "GetNumberOfMails returned= ";
constexpr int kWaitMs = 40000;

#define NEED_SERVER()                              \
  do {                                             \
    const std::string missing = MissingServer();   \
    if (!missing.empty()) GTEST_SKIP() << missing; \
  } while (0)

TEST_F(MailServer, PlainServerCountsWrongPasswordAndRequiredTls) {
  NEED_SERVER();
  Dovecot server("");
  ASSERT_TRUE(server.Ready()) << server.Problem();
  const std::string at = "127.0.0.1:" + std::to_string(server.Pop3());
  Saver plain("plain", at, 0);
  Saver wrong("wrong-password", at, 0, "not the password");
  Saver required("tls-required", at, 2);
  ASSERT_TRUE(WaitForAll({{&plain, kShown}, {&wrong, kReturned}, {&required, kReturned}}, kWaitMs))
      << plain.Log() << wrong.Log() << required.Log();

  EXPECT_TRUE(plain.Logged("GetNumberOfMails returned= 3"));
  EXPECT_TRUE(wrong.Logged("GetNumberOfMails= Does not accept password"));
  EXPECT_TRUE(wrong.Logged("GetNumberOfMails returned= 0"));
  EXPECT_FALSE(wrong.Logged("You've got mail"));
  EXPECT_TRUE(required.Logged("GetNumberOfMails= STLS refused and TLS is required"));
  EXPECT_TRUE(required.Logged("GetNumberOfMails returned= 0"));

  // One login, one failed password, and one session without any attempt: the
  // saver that needed TLS never sent its password.
  const std::string log = server.Sessions();
  EXPECT_EQ(CountIn(log, "Login: user=<jonah>"), 1) << log;
  EXPECT_EQ(CountIn(log, "auth failed, 1 attempts"), 1) << log;
  EXPECT_EQ(CountIn(log, "no auth attempts"), 1) << log;
  for (Saver* s : {&plain, &wrong, &required}) EXPECT_EQ(s->Terminate(), 0);
}

TEST_F(MailServer, TlsServerCountsOverStartTlsAndImplicitTls) {
  NEED_SERVER();
  Dovecot server("localhost");
  ASSERT_TRUE(server.Ready()) << server.Problem();
  const std::string port = std::to_string(server.Pop3());
  const std::string tlsAt =
      (HaveIpv6Loopback() ? "[::1]:" : "127.0.0.1:") + std::to_string(server.Pop3s());
  Saver offered("starttls-offered", "localhost:" + port, -1, "secret", server.CaFile());
  Saver required("starttls-required", "127.0.0.1:" + port, 2, "secret", server.CaFile());
  Saver implicit("implicit-tls", tlsAt, 3, "secret", server.CaFile());
  ASSERT_TRUE(WaitForAll({{&offered, kShown}, {&required, kShown}, {&implicit, kShown}}, kWaitMs))
      << offered.Log() << required.Log() << implicit.Log() << server.Log();
  for (Saver* s : {&offered, &required, &implicit}) {
    EXPECT_TRUE(s->Logged("GetNumberOfMails= TLS started"));
    EXPECT_TRUE(s->Logged("GetNumberOfMails returned= 3"));
  }
  // All three sessions were encrypted when they logged in.
  const std::string log = server.Sessions();
  EXPECT_EQ(CountIn(log, "Login: user=<jonah>"), 3) << log;
  EXPECT_EQ(CountIn(log, ", TLS, "), 3) << log;
  for (Saver* s : {&offered, &required, &implicit}) EXPECT_EQ(s->Terminate(), 0);
}

TEST_F(MailServer, ACertificateForAnotherHostEndsTheCheck) {
  NEED_SERVER();
  Dovecot server("other.example");
  ASSERT_TRUE(server.Ready()) << server.Problem();
  const std::string port = std::to_string(server.Pop3());
  Saver offered("offered", "localhost:" + port, 1, "secret", server.CaFile());
  Saver required("required", "127.0.0.1:" + port, 2, "secret", server.CaFile());
  Saver implicit("implicit", "127.0.0.1:" + std::to_string(server.Pop3s()), 3, "secret",
                 server.CaFile());
  ASSERT_TRUE(
      WaitForAll({{&offered, kReturned}, {&required, kReturned}, {&implicit, kReturned}}, kWaitMs));
  for (Saver* s : {&offered, &required, &implicit}) {
    const std::string log = s->Log();
    EXPECT_NE(log.find("GetNumberOfMails= TLS failed: certificate not accepted: "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("GetNumberOfMails= aborted"), std::string::npos);
    EXPECT_NE(log.find("GetNumberOfMails returned= 0"), std::string::npos);
  }
  EXPECT_EQ(CountIn(server.Sessions(), "Login: "), 0) << server.Sessions();
  for (Saver* s : {&offered, &required, &implicit}) EXPECT_EQ(s->Terminate(), 0);
}

// A server that accepts the connection and never says a word: the saver
// still ends at once on SIGTERM, its check left waiting.
TEST_F(MailServer, TheSaverEndsWhileACheckHangs) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), size), 0);
  ASSERT_EQ(listen(fd, 4), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  Saver saver("silent", "127.0.0.1:" + std::to_string(ntohs(a.sin_port)), 0);
  ASSERT_TRUE(WaitForAll({{&saver, "GetNumberOfMails= Connected"}}, kWaitMs)) << saver.Log();
  SleepMs(200);
  EXPECT_EQ(saver.Terminate(5000), 0);
  const std::string log = saver.Log();
  EXPECT_NE(log.find("Screensaver= WM_DESTROY received"), std::string::npos) << log;
  EXPECT_EQ(log.find("GetNumberOfMails= aborted"), std::string::npos);
  close(fd);
}

}  // namespace
