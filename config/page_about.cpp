// Page "About" (2014): version and build, a newer version, a mail to the
// maker, and how to remove the program.
#include <string>

#include "config/help.h"
#include "config/pages.h"
#include "messages/quill.h"
#include "resources/dialog_ids.h"
#include "settings/ini_file.h"
#include "settings/utilities.h"

namespace {

void MailTheMaker() {
  // Line breaks in a mail link are written as escapes.
  const std::string body =
      "<Don't forget to tell where you heard this program from.%0A%0D For technical questions "
      "please attach the Lumivex.ini file from the folder " +
      lvx::ConfigFolder() + ".>";
  OpenMailLink(SupportMailAddress, "", "From a Lumivexv3.08 user", body.c_str());
}

void OpenNewerVersion(HWND page) {
  const std::string address = std::string(HomePageAddress) + "/?CurrentUser";
  ShellExecuteA(page, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// Nothing is deleted from here: the program was put in place by a package or
// by "cmake --install", and the same way takes it out again.
void ExplainUninstall(HWND page) {
  const std::string text = UninstallText();
  MessageBoxA(page, text.c_str(), UninstallCaption, MB_OK | MB_ICONINFORMATION);
  ShowHelp(page, HelpFileName, HelpRequest::Context, HelpUninstall);
}

}  // namespace

std::string UninstallText() {
  return "Lumivex does not remove itself; it leaves the way it came.\n\n"
         "Installed as a package: remove the package \"lumivex\" with your package manager, "
         "for example: sudo apt remove lumivex\n\n"
         "Installed with \"cmake --install\": in the build folder it was installed from, run: "
         "sudo xargs rm < install_manifest.txt\n\n"
         "Your settings stay in " +
         lvx::ConfigFolder() +
         "; delete that folder as well if nothing of Lumivex should remain.\n\n"
         "The help that opens now shows these steps again.";
}

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetDlgItemTextA(page, IDC_ABO_VERSION, (std::string("Version:\t") + ProductVersion).c_str());
      SetDlgItemTextA(page, IDC_ABO_BUILD, (std::string("Build:\t") + ProductBuildDate).c_str());
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_ABO_HI:
          MailTheMaker();
          return TRUE;
        case IDC_ABO_NEWER:
          OpenNewerVersion(page);
          return TRUE;
        case IDC_ABO_UNINSTALL:
          ExplainUninstall(page);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_NOTIFY:
      return AnswerSheetNotification(page, lParam);
    case WM_HELP:
      ShowHelp(nullptr, HelpFileName, HelpRequest::Context, HelpAboutPage);
      return TRUE;
    default:
      return FALSE;
  }
}
