// The e-mail parameters dialog: the account shown as stored, OK storing it in
// the private file with the password scrambled (and read back by the mail
// check), Cancel storing nothing.
#include <sys/stat.h>

#include "config/pages.h"
#include "config_fixture.h"
#include "mail/new_mail.h"

namespace {

class EmailDialogTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    Prepare();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  static INT_PTR RunAccount(const dlg::Script& script) {
    dlg::OnDialog(IDD_EMAIL, script);
    return RunDialog(GetModuleHandleA(nullptr), IDD_EMAIL, nullptr, EmailParametersDialog);
  }
  static std::string PrivatePath() { return lvx::ConfigFolder() + "/LumivexPrivateSettings.ini"; }
  static std::string Private(const char* key) {
    char buffer[400] = "";
    GetPrivateProfileStringA("Email", key, "<none>", buffer, sizeof buffer, PrivatePath().c_str());
    return buffer;
  }
};

TEST_F(EmailDialogTest, OkStoresTheAccountAsTypedAndTheMailCheckReadsItBack) {
  const std::string longName(90, 'n');
  const struct {
    std::string login, password, server, every;
    int connection, security;
    std::string storedEvery;
    int readEvery;
  } cases[] = {
      {"jonah", "moon \"light\"; =100%", "pop.example.com:1110", "2", IDC_MAIL_LAN, 2, "2", 5},
      {longName, "", "[2001:db8::7]:995", "90", IDC_MAIL_MODEM, 3, "90", 65},
      {"stars", "\xC3\xA9toile", "192.0.2.7", "", IDC_MAIL_LAN, 0, "0", 5},
      {"night", "owl", "mail.example.net", "30", IDC_MAIL_MODEM, 1, "30", 30},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.server);
    const INT_PTR result = RunAccount([&](HWND d) {
      dlg::SetText(d, IDC_MAIL_LOGIN, c.login);
      dlg::SetText(d, IDC_MAIL_PASSWORD, c.password);
      dlg::SetText(d, IDC_MAIL_SERVER, c.server);
      dlg::SetText(d, IDC_MAIL_CHECKEVERY, c.every);
      dlg::Click(d, c.connection);
      dlg::Select(d, IDC_MAIL_SECURITY, c.security);
      dlg::Click(d, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    const std::string login = c.login.substr(0, 78);
    EXPECT_EQ(Private("LoginName"), login);
    EXPECT_EQ(Private("PopServer"), c.server);
    EXPECT_EQ(Private("CheckEvery"), c.storedEvery);
    EXPECT_EQ(Private("LAN"), c.connection == IDC_MAIL_LAN ? "1" : "0");
    EXPECT_EQ(Private("Security"), std::to_string(c.security));
    if (!c.password.empty()) {
      EXPECT_EQ(Private("Password").find(c.password), std::string::npos) << "scrambled";
    }

    NewMailClass check;
    check.ReadParams();
    EXPECT_EQ(check.loginName, login);
    EXPECT_EQ(check.password, c.password);
    EXPECT_EQ(check.popServer, c.server);
    EXPECT_EQ(check.checkEvery, c.readEvery);
    EXPECT_EQ(check.lan, c.connection == IDC_MAIL_LAN ? 1 : 0);
    EXPECT_EQ(check.security, c.security);

    // Opened again, the dialog shows what was stored.
    RunAccount([&](HWND d) {
      EXPECT_EQ(dlg::Text(d, IDC_MAIL_LOGIN), login);
      EXPECT_EQ(dlg::Text(d, IDC_MAIL_PASSWORD), c.password);
      EXPECT_TRUE(dlg::Masked(d, IDC_MAIL_PASSWORD));
      EXPECT_EQ(dlg::Text(d, IDC_MAIL_CHECKEVERY), std::to_string(c.readEvery));
      EXPECT_EQ(dlg::CheckState(d, c.connection), BST_CHECKED);
      EXPECT_EQ(dlg::Selection(d, IDC_MAIL_SECURITY), c.security);
      dlg::Click(d, IDCANCEL);
    });
  }
  EXPECT_EQ(Ini("Email", "Enabled"), "<none>") << "the main page's switch, not the dialog's";
}

TEST_F(EmailDialogTest, AFirstOpeningShowsTheHintsAndCancelStoresNothing) {
  const INT_PTR result = RunAccount([](HWND d) {
    EXPECT_EQ(dlg::Caption(d), "E-mail parameters");
    EXPECT_EQ(dlg::Text(d, IDC_MAIL_LOGIN), "<eg: Jonah>");
    EXPECT_EQ(dlg::Text(d, IDC_MAIL_PASSWORD), "");
    EXPECT_EQ(dlg::Text(d, IDC_MAIL_SERVER).rfind("<eg: ", 0), 0u);
    EXPECT_EQ(dlg::Text(d, IDC_MAIL_CHECKEVERY), "15");
    EXPECT_EQ(dlg::CheckState(d, IDC_MAIL_MODEM), BST_CHECKED);
    EXPECT_EQ(dlg::Items(d, IDC_MAIL_SECURITY).size(), 4u);
    EXPECT_EQ(dlg::Selection(d, IDC_MAIL_SECURITY), 1) << "STARTTLS when offered";
    for (int id : {IDC_MAIL_LOGIN, IDC_MAIL_PASSWORD, IDC_MAIL_SERVER})
      EXPECT_EQ(dlg::Limit(d, id), 78);
    dlg::SetText(d, IDC_MAIL_LOGIN, "somebody");
    dlg::SetText(d, IDC_MAIL_PASSWORD, "secret");
    dlg::Click(d, IDC_MAIL_LAN);
    dlg::Click(d, IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  for (const char* key : {"LoginName", "Password", "PopServer", "CheckEvery", "LAN", "Security"})
    EXPECT_EQ(Private(key), "<none>") << key;
}

TEST_F(EmailDialogTest, ThePrivateFileIsForItsOwnerOnly) {
  RunAccount([](HWND d) {
    dlg::SetText(d, IDC_MAIL_PASSWORD, "secret");
    dlg::Click(d, IDOK);
  });
  struct stat st {};
  ASSERT_EQ(stat(PrivatePath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
