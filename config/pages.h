// The pages of "Much More Options", one file each, and the dialogs they open.
#pragma once

#include <string>

#include "platform/winapi.h"

// Pages in the order of the sheet.
INT_PTR CALLBACK MessagesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SoundsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK QuotesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FriendsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK UsersPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The e-mail parameters dialog (2016), opened by the main page's e-mail box.
INT_PTR CALLBACK EmailParametersDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A page's answer to the sheet's activation, deactivation and apply
// notifications: 0 (allowed) in DWLP_MSGRESULT. TRUE when `lParam` was one of
// them.
INT_PTR AcceptSheetNotification(HWND page, LPARAM lParam);

// What the About page's "Uninstall" says: how to remove the program, which
// never removes itself.
std::string UninstallText();
inline constexpr const char* UninstallCaption = "Uninstall Lumivex";
