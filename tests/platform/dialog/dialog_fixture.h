// Dialog procedures for the dialog tests: one behaviour per template id, set
// by each test, and a record of what the procedures heard.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/dialog/dialog_test_api.h"
#include "platform/winapi.h"
#include "resources/dialog_ids.h"

namespace lvx::test {

using Behaviour = std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>;

inline std::map<int, Behaviour>& Behaviours() {
  static std::map<int, Behaviour> b;
  return b;
}

// The procedure of every test dialog: the behaviour set for its template.
inline INT_PTR CALLBACK TestProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto it = Behaviours().find(lvx::dlgtest::TemplateOf(dialog));
  return it != Behaviours().end() && it->second ? it->second(dialog, msg, wParam, lParam) : FALSE;
}

// Ends the dialog with the id of any button pressed (as simple dialogs do).
inline INT_PTR EndOnButtons(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED &&
      (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return msg == WM_INITDIALOG ? TRUE : FALSE;
}

// A message as a test table writes it.
struct Msg {
  UINT message;
  UINT code;
  int id;
  bool operator==(const Msg& o) const {
    return message == o.message && code == o.code && id == o.id;
  }
};

inline std::ostream& operator<<(std::ostream& os, const Msg& m) {
  return os << "{0x" << std::hex << m.message << ", 0x" << m.code << std::dec << ", " << m.id
            << "}";
}

// What dialog `templateId` (0: a sheet) heard, from index `from` on.
inline std::vector<Msg> HeardBy(int templateId, std::size_t from = 0) {
  std::vector<Msg> out;
  const auto& all = lvx::dlgtest::HeardMessages();
  for (std::size_t i = from; i < all.size(); ++i) {
    if (all[i].templateId == templateId) out.push_back({all[i].message, all[i].code, all[i].id});
  }
  return out;
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Behaviours().clear();
    lvx::dlgtest::Reset();
  }
  void TearDown() override {
    Behaviours().clear();
    lvx::ResetDialogsForTests();
    lvx::ResetUserStateForTests();
  }
  static INT_PTR Run(int templateId, HWND owner = nullptr, LPARAM param = 0) {
    return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(templateId), owner, TestProc, param);
  }
};

}  // namespace lvx::test
