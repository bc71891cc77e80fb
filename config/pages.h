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

// What a page does when the sheet tells it something; a step left out does
// nothing.
struct SheetSteps {
  void (*apply)(HWND page) = nullptr;   // PSN_APPLY: store what the page shows
  void (*leave)(HWND page) = nullptr;   // PSN_KILLACTIVE: the user moves on
  void (*cancel)(HWND page) = nullptr;  // PSN_RESET: the sheet was cancelled
  unsigned helpTopic = 0;               // PSN_HELP opens this topic; 0: not answered
};

// A page's answer to the sheet's notifications: its step runs, then
// activation, leaving, apply and help are allowed (0 in DWLP_MSGRESULT).
// TRUE when the page answered `lParam`; Cancel is never answered.
INT_PTR AnswerSheetNotification(HWND page, LPARAM lParam, const SheetSteps& steps = {});

// The buttons and help of a small modal dialog: OK ends it with IDOK once
// `accept` took what was entered (it stays open otherwise), Cancel ends it
// with IDCANCEL, F1 opens `helpTopic`. FALSE for any other message.
INT_PTR AnswerDialogButtons(HWND dialog, UINT message, WPARAM wParam, bool (*accept)(HWND dialog),
                            unsigned helpTopic);

// What the About page's "Uninstall" says: how to remove the program, which
// never removes itself.
std::string UninstallText();
inline constexpr const char* UninstallCaption = "Uninstall Lumivex";
