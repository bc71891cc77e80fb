// Fresh settings, an active log and a cleared mailbox check for each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "mail/new_mail.h"
#include "platform/winapi.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"
#include "tests/support/test_support.h"

class MailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An existing log file makes the log write every entry from the start.
    lvx::test::WriteFile(lvx::LogFilePath(), "");
    lvx::ResetLogForTests();
    LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");
    lvx::ResetSettingsForTests();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
    lvx::ResetUtilitiesForTests();
    lvx::ResetMailForTests();
  }
  void TearDown() override {
    lvx::ResetMailForTests();
    EXPECT_TRUE(lvx::WaitForMailWorkersForTests(10000));
  }

  static std::string PrivatePath() { return lvx::ConfigFolder() + "/LumivexPrivateSettings.ini"; }
  // A raw value in the private settings file, as a user would type it.
  static void PutPrivate(const char* key, const char* value) {
    WritePrivateProfileStringA("Email", key, value, PrivatePath().c_str());
  }
  static void Enable(bool on) {
    WritePrivateProfileStringA("Email", "Enabled", on ? "1" : "0", MainSettings.Path().c_str());
  }
  // The account straight into the saver's object, as ReadParams leaves it.
  static void Account(const std::string& server, int security, const char* login = "jonah",
                      const char* password = "secret") {
    std::snprintf(NewMail.popServer, sizeof NewMail.popServer, "%s", server.c_str());
    std::snprintf(NewMail.loginName, sizeof NewMail.loginName, "%s", login);
    std::snprintf(NewMail.password, sizeof NewMail.password, "%s", password);
    NewMail.security = security;
  }

  static std::string Log() { return lvx::test::ReadFile(lvx::LogFilePath()); }
  static bool Logged(const std::string& text) { return Log().find(text) != std::string::npos; }
  static int Occurrences(const std::string& text) {
    const std::string log = Log();
    int n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
};
