// The account as read from and written to the settings, and what the check
// makes of the server field and of the STAT reply.
#include <climits>
#include <cstring>
#include <string>

#include "mail/pop3_reply.h"
#include "tests/mail/mail_fixture.h"

namespace {

using MailAccount = MailTest;

TEST_F(MailAccount, NothingStoredGivesTheHintsAndDefaults) {
  NewMail.ReadParams();
  EXPECT_STREQ(NewMail.loginName, "<eg: Jonah>");
  EXPECT_STREQ(NewMail.popServer, "<eg: pop.example.com>");
  EXPECT_STREQ(NewMail.password, "");
  EXPECT_EQ(NewMail.checkEvery, 15);
  EXPECT_EQ(NewMail.lan, 0);
  EXPECT_EQ(NewMail.enabled, 0);
  EXPECT_EQ(NewMail.security, SecurityStartTlsIfOffered);
  Enable(true);
  NewMail.ReadParams();
  EXPECT_EQ(NewMail.enabled, 1);
}

TEST_F(MailAccount, CheckEveryAndSecurityAreKeptInRange) {
  const struct {
    const char* stored;
    int minutes;
  } minutes[] = {{"2", 5}, {"5", 5}, {"6", 6}, {"64", 64}, {"65", 65}, {"90", 65}, {"-3", 5}};
  for (const auto& c : minutes) {
    PutPrivate("CheckEvery", c.stored);
    NewMail.ReadParams();
    EXPECT_EQ(NewMail.checkEvery, c.minutes) << c.stored;
  }
  const struct {
    const char* stored;  // nullptr: no key
    int security;
  } securities[] = {{nullptr, 1}, {"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"7", 1}, {"-1", 1}};
  for (const auto& c : securities) {
    PutPrivate("Security", c.stored);
    NewMail.ReadParams();
    EXPECT_EQ(NewMail.security, c.security) << (c.stored ? c.stored : "absent");
  }
  EXPECT_TRUE(Logged("NewMailClass - unknown Security, using 1= 7"));
}

// A long password of digits scrambles to twice its length; it must come back
// whole, and never stand in the file as typed.
TEST_F(MailAccount, WrittenAccountReadsBackWithThePasswordScrambled) {
  const std::string password(78, '7');
  const std::string login(78, 'j');
  std::snprintf(NewMail.loginName, sizeof NewMail.loginName, "%s", login.c_str());
  std::snprintf(NewMail.password, sizeof NewMail.password, "%s", password.c_str());
  std::snprintf(NewMail.popServer, sizeof NewMail.popServer, "%s", "[::1]:1110");
  NewMail.checkEvery = 90;
  NewMail.lan = 1;
  NewMail.WriteParams();

  const std::string file = lvx::test::ReadFile(PrivatePath());
  EXPECT_EQ(file.find(password), std::string::npos);
  EXPECT_NE(file.find("Password"), std::string::npos);
  EXPECT_NE(file.find("CheckEvery=\"90\""), std::string::npos) << file;

  lvx::ResetMailForTests();
  NewMail.ReadParams();
  EXPECT_EQ(NewMail.password, password);
  EXPECT_EQ(NewMail.loginName, login);
  EXPECT_STREQ(NewMail.popServer, "[::1]:1110");
  EXPECT_EQ(NewMail.checkEvery, 65);
  EXPECT_EQ(NewMail.lan, 1);
  EXPECT_FALSE(Logged(password));

  // Whatever bytes a password holds come back as they were.
  for (const char* other : {"s\xc3\xa9\\cr\"et 1", " blanks around ", "\xe2\x82\xac\x01\x7f\xff"}) {
    std::snprintf(NewMail.password, sizeof NewMail.password, "%s", other);
    NewMail.WriteParams();
    lvx::ResetMailForTests();
    NewMail.ReadParams();
    EXPECT_STREQ(NewMail.password, other);
  }
}

TEST(MailServerField, HostPortAndLookUp) {
  const struct {
    const char* text;
    int security;
    bool valid;
    const char* host;
    unsigned port;
    bool byAddress;
  } cases[] = {
      {"pop.example.net", 0, true, "pop.example.net", 110, false},
      {"pop.example.net", 1, true, "pop.example.net", 110, false},
      {"pop.example.net", 3, true, "pop.example.net", 995, false},
      {"  pop.example.net:1110 ", 3, true, "pop.example.net", 1110, false},
      {"192.168.1.20", 1, true, "192.168.1.20", 110, true},
      {"127.0.0.1:995", 3, true, "127.0.0.1", 995, true},
      // A leading digit and a dot, but no address: looked up by name.
      {"3com.example.net", 1, true, "3com.example.net", 110, false},
      {"[::1]:1110", 1, true, "::1", 1110, true},
      {"[::1]", 3, true, "::1", 995, true},
      {"::1", 0, true, "::1", 110, true},
      {"fe80::1:2", 0, true, "fe80::1:2", 110, true},
      {"host:65535", 0, true, "host", 65535, false},
      {"", 0, false, "", 0, false},
      {"   ", 0, false, "", 0, false},
      {":110", 0, false, "", 0, false},
      {"host:", 0, false, "", 0, false},
      {"host:0", 0, false, "", 0, false},
      {"host:65536", 0, false, "", 0, false},
      {"host:11o", 0, false, "", 0, false},
      {"host:-1", 0, false, "", 0, false},
      {"[::1", 0, false, "", 0, false},
      {"pop:example:net", 0, false, "", 0, false},
      {"[::1]1110", 0, false, "", 0, false},
      {"[pop.example.net]:110", 0, false, "", 0, false},
  };
  for (const auto& c : cases) {
    ServerAddress a;
    ASSERT_EQ(ParseServer(c.text, c.security, &a), c.valid) << '"' << c.text << '"';
    if (!c.valid) continue;
    EXPECT_EQ(a.host, c.host) << c.text;
    EXPECT_EQ(a.port, c.port) << c.text;
    EXPECT_EQ(a.byAddress, c.byAddress) << c.text;
  }
}

TEST(MailReplies, FirstCharacterAndStatCount) {
  const struct {
    const char* reply;
    bool accepted;
    bool counted;
    int count;
  } cases[] = {
      {"+OK 3 1234", true, true, 3},
      {"+OK 0 0", true, true, 0},
      {"+OK   12 1", true, true, 12},
      {"+OK 7", true, true, 7},
      {"+OK 2147483647 1", true, true, INT_MAX},
      {"+OK 2147483648 1", true, false, 0},
      {"+OK 99999999999999999999 1", true, false, 0},
      {"+OK -3 0", true, false, 0},
      {"+OK x 0", true, false, 0},
      {"+OK", true, false, 0},
      {"+OK ", true, false, 0},
      {"+", true, false, 0},
      {"", false, false, 0},
      {"-ERR 3 1234", false, true, 3},
      // The count is read by position, whatever stands before it.
      {"+OK3 1", true, true, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReplyAccepted(c.reply), c.accepted) << '"' << c.reply << '"';
    int count = -99;
    EXPECT_EQ(StatCount(c.reply, &count), c.counted) << '"' << c.reply << '"';
    if (c.counted) {
      EXPECT_EQ(count, c.count) << c.reply;
    }
  }
}

}  // namespace
