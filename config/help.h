// The user help. The dialogs ask for the help file "Lumivex.HLP" at its
// contents or at a numbered topic, as a help viewer would be asked; here the
// help is the HTML page installed in the data folder (help/index.html), opened
// by the desktop's browser at the anchor "contents" or "context-N".
#pragma once

#include <string>

#include "platform/winapi.h"

inline constexpr const char* HelpFileName = "Lumivex.HLP";

enum class HelpRequest { Contents, Context, Quit };

// The numbered topics: one section of the help per page and dialog.
inline constexpr unsigned HelpMainPage = 11;
inline constexpr unsigned HelpMessagesPage = 12;
inline constexpr unsigned HelpSoundsPage = 13;
inline constexpr unsigned HelpQuotesPage = 14;
inline constexpr unsigned HelpFriendsPage = 15;
inline constexpr unsigned HelpStartupPage = 16;
inline constexpr unsigned HelpUsersPage = 17;
inline constexpr unsigned HelpAboutPage = 18;
inline constexpr unsigned HelpEmailDialog = 19;
inline constexpr unsigned HelpUninstall = 20;

// Opens `helpFile` at its contents or at topic `context`. Quit has nothing
// to close: the browser window belongs to the user. TRUE when the desktop
// took the request. A help file other than "Lumivex.HLP" is refused; help
// that is not installed is reported in a box owned by `owner`.
BOOL ShowHelp(HWND owner, const char* helpFile, HelpRequest request, unsigned context = 0);

// The link ShowHelp hands to the desktop for a request ("" for Quit):
// "file://<data folder>/help/index.html#contents" or "...#context-N".
std::string HelpLink(HelpRequest request, unsigned context);

namespace lvx {
// Tests: the installed help page to use instead of the data folder's
// ("" goes back to the data folder).
void SetHelpPageForTests(const std::string& path);
}  // namespace lvx
