// The Quotes page: browsing the categories with their pictures, the text
// source that follows whether a category has quotations, the own picture,
// and what the sheet's apply stores.
#include "config/pages.h"
#include "config_fixture.h"
#include "platform/sound/sound_internal.h"

namespace {

constexpr int kQuotesPage = 2;

class QuotesPageTest : public ConfigTest {
 protected:
  void SetUp() override {
    ConfigTest::SetUp();
    Prepare();
    ASSERT_EQ(MainSettings.Init("$CURRENT", "\\Lumivex.ini"), 0);
  }
  void TearDown() override {
    lvx::sound::ShutdownAudio();
    ConfigTest::TearDown();
  }
  static INT_PTR RunPage(const std::function<void(HWND sheet, HWND page)>& script) {
    dlg::OnSheet([&](HWND sheet) { script(sheet, dlg::Page(sheet, kQuotesPage)); });
    return OpenMoreOptions(nullptr, kQuotesPage);
  }
  static std::string Stored(const char* key) { return Ini("FPicture", key); }
  // The size of the picture the page shows.
  static SIZE Picture(HWND page) {
    auto bitmap = reinterpret_cast<HBITMAP>(
        SendDlgItemMessageA(page, IDC_QUO_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof info, &info) == 0) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
  }
  static bool OwnPictureShown(HWND page) {
    int shown = 0;
    for (int id : {IDC_QUO_OWN_LABEL, IDC_QUO_SIZE_NOTE, IDC_QUO_OWN_PATH, IDC_QUO_BROWSE})
      shown += dlg::Visible(page, id) && dlg::Enabled(page, id);
    EXPECT_TRUE(shown == 0 || shown == 4) << shown << " of the own-picture controls";
    return shown == 4;
  }
};

TEST_F(QuotesPageTest, BrowsingShowsEachCategoryWithItsPictureAndClick) {
  const struct {
    int start;
    int button;  // 0: just open
    const char* name;
    LONG width, height;
    bool own, quotes;
  } cases[] = {
      {11, 0, "Just the sky", 131, 103, false, false},
      {9, IDC_QUO_NEXT, "Just the sky", 131, 103, false, false},  // "New email" is skipped
      {11, IDC_QUO_PREV, "Your picture -->", 100, 100, true, false},
      {8, IDC_QUO_NEXT, "Your picture -->", 100, 100, true, false},
      {0, IDC_QUO_PREV, "World peace", 75, 73, false, true},
      {11, IDC_QUO_NEXT, "Happy birthday", 81, 90, false, true},
      {16, IDC_QUO_NEXT, "Random quote", 100, 100, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " -> " + c.name);
    SetIni("FPicture", "Category", std::to_string(c.start).c_str());
    lvx::sound::ShutdownAudio();
    RunPage([&](HWND sheet, HWND page) {
      if (c.button != 0) {
        dlg::Click(page, c.button);
        EXPECT_NEAR(lvx::sound::WaveSeconds(), 0.05, 0.01) << "the click of a step";
      }
      EXPECT_EQ(dlg::Text(page, IDC_QUO_CATEGORY), c.name);
      const SIZE picture = Picture(page);
      EXPECT_EQ(picture.cx, c.width);
      EXPECT_EQ(picture.cy, c.height);
      EXPECT_EQ(OwnPictureShown(page), c.own);
      EXPECT_EQ(dlg::Enabled(page, IDC_QUO_AUTOTEXT), c.quotes);
      dlg::Click(sheet, IDCANCEL);
    });
    EXPECT_EQ(Stored("Category"), std::to_string(c.start)) << "Cancel keeps the category";
  }
}

TEST_F(QuotesPageTest, TheProgramsTextIsSetAsideForCategoriesWithoutQuotations) {
  SetIni("FPicture", "Category", "8");
  const struct {
    int button;
    const char* name;
    int autoText;  // the box
    bool canChoose, ownText;
    const char* stored;
  } steps[] = {
      {0, "No smoking", BST_CHECKED, true, false, "<none>"},
      {IDC_QUO_AUTOTEXT, "No smoking", BST_UNCHECKED, true, true, "0"},  // stored at once
      {IDC_QUO_AUTOTEXT, "No smoking", BST_CHECKED, true, false, "1"},
      // No quotations: the choice is stored as it stands, then set aside.
      {IDC_QUO_NEXT, "Your picture -->", BST_UNCHECKED, false, true, "1"},
      {IDC_QUO_NEXT, "Just the sky", BST_UNCHECKED, false, true, "1"},
      // Quotations again: the stored choice comes back.
      {IDC_QUO_NEXT, "Happy birthday", BST_CHECKED, true, false, "1"},
      {IDC_QUO_AUTOTEXT, "Happy birthday", BST_UNCHECKED, true, true, "0"},
      {IDC_QUO_PREV, "Just the sky", BST_UNCHECKED, false, true, "0"},
      {IDC_QUO_PREV, "Your picture -->", BST_UNCHECKED, false, true, "0"},
      {IDC_QUO_PREV, "No smoking", BST_UNCHECKED, true, true, "0"},
  };
  RunPage([&](HWND sheet, HWND page) {
    for (const auto& s : steps) {
      if (s.button != 0) dlg::Click(page, s.button);
      SCOPED_TRACE(std::string(s.name) + " after " + std::to_string(s.button));
      EXPECT_EQ(dlg::Text(page, IDC_QUO_CATEGORY), s.name);
      EXPECT_EQ(dlg::CheckState(page, IDC_QUO_AUTOTEXT), s.autoText);
      EXPECT_EQ(dlg::Enabled(page, IDC_QUO_AUTOTEXT), s.canChoose);
      EXPECT_EQ(dlg::Enabled(page, IDC_QUO_BANNER), s.ownText);
      EXPECT_EQ(Stored("AutoText"), s.stored);
    }
    dlg::Click(sheet, IDCANCEL);
  });
  EXPECT_EQ(Stored("Category"), "8");
}

TEST_F(QuotesPageTest, ApplyStoresTheCategorySecondsPictureAndText) {
  const std::string handWritten(150, 'h');
  const struct {
    const char* seconds;
    const char* storedSeconds;
  } cases[] = {{"45", "45"}, {"0", "0"}, {"", "21"}, {"soon", "21"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    SetIni("FPicture", "Category", "9");
    SetIni("FPicture", "BANNER", handWritten.c_str());
    SetIni("FPicture", "ShowEvery", nullptr);
    RunPage([&](HWND sheet, HWND page) {
      EXPECT_EQ(dlg::Text(page, IDC_QUO_SECONDS), "20");
      EXPECT_EQ(dlg::Text(page, IDC_QUO_BANNER), handWritten);
      dlg::SetText(page, IDC_QUO_SECONDS, c.seconds);
      dlg::SetText(page, IDC_QUO_OWN_PATH, "/pictures/cat.bmp");
      dlg::Click(sheet, IDOK);
    });
    EXPECT_EQ(Stored("ShowEvery"), c.storedSeconds);
    EXPECT_EQ(Stored("Category"), "9");
    EXPECT_EQ(Stored("AutoText"), "0") << "own picture, own text";
    EXPECT_EQ(Stored("BMPFILE"), "/pictures/cat.bmp");
    EXPECT_EQ(Stored("BANNER"), handWritten) << "an untouched text is not cut";
  }
  RunPage([&](HWND sheet, HWND page) {
    dlg::Click(page, IDC_QUO_NEXT);
    dlg::SetText(page, IDC_QUO_BANNER, std::string(120, 't'));
    dlg::Click(sheet, IDOK);
  });
  EXPECT_EQ(Stored("Category"), "11");
  EXPECT_EQ(Stored("BANNER"), std::string(98, 't')) << "typed text is cut at 98";
}

TEST_F(QuotesPageTest, OwnPictureIsChosenFromBitmapFilesOnly) {
  SetIni("FPicture", "Category", "9");
  SetIni("FPicture", "BMPFILE", "/pictures/old.bmp");
  dlg::AnswerFileChooser("/pictures/owl.bmp");
  RunPage([&](HWND sheet, HWND page) {
    EXPECT_EQ(dlg::Text(page, IDC_QUO_OWN_PATH), "/pictures/old.bmp");
    EXPECT_TRUE(dlg::Click(page, IDC_QUO_BROWSE));
    EXPECT_EQ(dlg::Text(page, IDC_QUO_OWN_PATH), "/pictures/owl.bmp");
    dlg::Click(page, IDC_QUO_NEXT);
    EXPECT_FALSE(dlg::Click(page, IDC_QUO_BROWSE)) << "hidden for other categories";
    dlg::Click(sheet, IDOK);
  });
  ASSERT_EQ(dlg::Choosers().size(), 1u);
  const dlg::ChooserRecord& chooser = dlg::Choosers()[0];
  EXPECT_EQ(chooser.title, "Select your favorite picture");
  EXPECT_EQ(chooser.initial, "/pictures/old.bmp");
  ASSERT_EQ(chooser.filters.size(), 1u);
  EXPECT_EQ(chooser.filters[0].second, "*.BMP");
  EXPECT_EQ(Stored("BMPFILE"), "/pictures/owl.bmp");
}

}  // namespace
