// What the page "Lumivex Messages" shares with others (the page procedure
// itself is MessagesPageProc in config/pages.h).
#pragma once

#include <string>

// Longest message and bottom line the page stores for a further message.
inline constexpr int PageMessageLimit = 79;
inline constexpr int PageBottomLineLimit = 299;

// The placeholders of a new message.
inline constexpr const char* NewMessageText = "<type here your message>";
inline constexpr const char* NewBottomLineText = "<type here your bottomline>";

namespace lvx {
// Tests: the program "Preview" starts (with "/s") instead of this program's
// own file; "" goes back to this program.
void SetSaverProgramForTests(const std::string& path);
}  // namespace lvx
