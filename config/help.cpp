#include "config/help.h"

#include <strings.h>

#include <filesystem>

#include "settings/log_file.h"

namespace {

std::string gHelpPageForTests;

std::string HelpPage() {
  if (!gHelpPageForTests.empty()) return gHelpPageForTests;
  return lvx::SystemFolder() + "/help/index.html";
}

// Characters a file path may hold that would end or bend a link.
std::string EscapeForLink(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (c <= ' ' || c == '%' || c == '#' || c == '?' || c == '"' || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

std::string HelpLink(HelpRequest request, unsigned context) {
  if (request == HelpRequest::Quit) return "";
  const std::string anchor =
      request == HelpRequest::Contents ? "contents" : "context-" + std::to_string(context);
  return "file://" + EscapeForLink(HelpPage()) + "#" + anchor;
}

BOOL ShowHelp(HWND owner, const char* helpFile, HelpRequest request, unsigned context) {
  if (helpFile == nullptr || strcasecmp(helpFile, HelpFileName) != 0) {
    LogFile.Log(5, "ShowHelp - unknown help file", helpFile != nullptr ? helpFile : "");
    return FALSE;
  }
  if (request == HelpRequest::Quit) return TRUE;

  std::error_code ec;
  const std::string page = HelpPage();
  if (!std::filesystem::is_regular_file(page, ec)) {
    const std::string text = "The help of Lumivex is not installed.\n(It was looked for in " +
                             page +
                             ".)\nInstall Lumivex with \"cmake --install\" or its package "
                             "to have it.";
    MessageBoxA(owner, text.c_str(), "Lumivex", MB_OK | MB_ICONINFORMATION);
    return FALSE;
  }
  const std::string link = HelpLink(request, context);
  const auto result = reinterpret_cast<std::intptr_t>(
      ShellExecuteA(owner, "open", link.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    LogFile.Log(5, "ShowHelp - not opened", link.c_str());
    return FALSE;
  }
  return TRUE;
}

namespace lvx {
void SetHelpPageForTests(const std::string& path) { gHelpPageForTests = path; }
}  // namespace lvx
