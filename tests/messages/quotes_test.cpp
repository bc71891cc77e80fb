#include "messages/quotes.h"

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/scene/scene_fixture.h"

namespace {

int IndexOfText(const char* text) {
  for (int i = 0; i < QuoteCount; ++i)
    if (std::strcmp(Quotes[i].text, text) == 0) return i;
  return -1;
}

// An active log and fresh settings.
using QuoteSelectionTest = SceneTest;

TEST(QuoteTables, CategoriesCountsAndTexts) {
  const std::tuple<const char*, int, int> categories[CategoryCount] = {
      {"Random quote", 192, 2},     {"Flower", 157, 0},       {"Typical UFO", 123, 0},
      {"Baby delivery", 122, 0},    {"Love fool", 128, 0},    {"Wise guy", 139, 0},
      {"Your quotes", 138, 0},      {"Keep away", 127, 0},    {"No smoking", 153, 0},
      {"Your picture -->", 149, 2}, {"New email", 143, 1},    {"Just the sky", 120, 2},
      {"Happy birthday", 160, 2},   {"Scared ghost", 121, 0}, {"Flying Witch", 118, 0},
      {"Traveling", 155, 0},        {"World peace", 189, 0}};
  for (int i = 0; i < CategoryCount; ++i) {
    const auto [name, picture, flags] = categories[i];
    EXPECT_EQ(QuoteCategories[i].index, i);
    EXPECT_STREQ(QuoteCategories[i].name, name);
    EXPECT_EQ(QuoteCategories[i].picture, picture) << name;
    EXPECT_EQ(QuoteCategories[i].flags, flags) << name;
  }

  // (category, picture) -> number of quotations.
  const std::map<std::pair<int, int>, int> expected = {
      {{0, 192}, 1},   {{1, 157}, 1},   {{2, 123}, 2},  {{3, 122}, 3},  {{4, 164}, 19},
      {{4, 128}, 13},  {{5, 139}, 89},  {{6, 141}, 10}, {{6, 142}, 14}, {{7, 127}, 1},
      {{8, 153}, 3},   {{12, 160}, 3},  {{13, 121}, 2}, {{14, 118}, 3}, {{15, 155}, 4},
      {{16, 113}, 29}, {{16, 189}, 17}, {{16, 195}, 1}};
  std::map<std::pair<int, int>, int> counted;
  std::set<std::string> seen;
  for (int i = 0; i < QuoteCount; ++i) {
    const Quote& q = Quotes[i];
    const std::string text = q.text;
    ++counted[{q.category, q.picture}];
    if (i > 0) {
      EXPECT_LE(Quotes[i - 1].category, q.category) << i;
    }
    EXPECT_EQ(text.empty(), q.category == 0) << i;
    EXPECT_LE(text.size(), QuoteTextLimit) << text;
    for (char c : text) EXPECT_TRUE(c >= ' ' && c <= '~') << text;
    // A repeated quotation would be drawn twice as often.
    EXPECT_TRUE(seen.insert(text).second) << text;
  }
  EXPECT_EQ(counted, expected);

  const std::pair<int, const char*> telling[] = {
      {157, "No flower can compare to you."},
      {123, "Strange civilization! The main product is garbage!"},
      {127, "Touch my computer during my absence, and you'll regret it during my presence."},
      {153, "No smoking please near this computer"},
      {121, "Help! I saw a human."}};
  for (auto [picture, text] : telling) {
    const int i = IndexOfText(text);
    ASSERT_GE(i, 0) << text;
    EXPECT_EQ(Quotes[i].picture, picture) << text;
  }
}

TEST_F(QuoteSelectionTest, StoredCategoryIsClampedAndBrowsed) {
  const std::pair<const char*, int> cases[] = {{nullptr, 11}, {"-5", 0},  {"0", 0},
                                               {"16", 16},    {"99", 16}, {"many", 11}};
  for (auto [stored, index] : cases) {
    if (stored != nullptr) MainSettings.UserWriteString("FPicture", "Category", stored);
    QuoteSelection s;
    s.ReadSelectedCategory();
    EXPECT_EQ(s.categoryIndex, index) << (stored ? stored : "absent");
    EXPECT_EQ(s.categoryPicture, QuoteCategories[index].picture);
    EXPECT_STREQ(s.categoryName, QuoteCategories[index].name);
  }
  EXPECT_TRUE(Logged("INFO>DefaultCategory= 11"));
  EXPECT_TRUE(Logged("INFO>CurrentCategory(string)= Just the sky"));
  EXPECT_TRUE(Logged("INFO>def_nQuotes= 215"));

  QuoteSelection s;
  s.categoryIndex = 9;
  s.NextCategory();
  EXPECT_EQ(s.categoryIndex, 11);
  EXPECT_STREQ(s.categoryName, "Just the sky");
  s.categoryIndex = 0;
  s.PrevCategory();
  EXPECT_EQ(s.categoryIndex, 16);
  s.WriteCategory();
  QuoteSelection back;
  back.ReadSelectedCategory();
  EXPECT_EQ(back.categoryIndex, 16);

  // A round each way visits the 16 browsable categories, never "New email".
  std::set<int> visited;
  for (int i = 0; i < 16; ++i) {
    s.NextCategory();
    visited.insert(s.categoryIndex);
  }
  for (int i = 0; i < 16; ++i) {
    s.PrevCategory();
    visited.insert(s.categoryIndex);
  }
  EXPECT_EQ(visited.size(), 16u);
  EXPECT_EQ(visited.count(10), 0u);
}

TEST_F(QuoteSelectionTest, RandomPickKeepsToTheCategory) {
  QuoteSelection s;
  s.categoryIndex = 1;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(s.RandomPick(), 1);
    EXPECT_STREQ(s.quoteText, "No flower can compare to you.");
    EXPECT_EQ(s.quotePicture, 157);
  }
  // No quotations: the selection keeps what it had.
  s.categoryIndex = 11;
  EXPECT_EQ(s.RandomPick(), 0);
  EXPECT_STREQ(s.quoteText, "No flower can compare to you.");
  EXPECT_EQ(s.quotePicture, 157);
  EXPECT_TRUE(Logged("INFO>No Quotes for category= 11"));
  s.categoryIndex = 99;
  EXPECT_EQ(s.RandomPick(), 0);
}

TEST_F(QuoteSelectionTest, RandomQuoteDrawsEveryEligibleRecordEvenly) {
  lvx::SeedRandomForTests(2024);
  std::vector<int> count(QuoteCount, 0);
  QuoteSelection s;
  for (int i = 0; i < 211 * 300; ++i) {
    s.RandomQuote();
    const int q = IndexOfText(s.quoteText);
    ASSERT_GE(q, 0);
    ASSERT_NE(s.quoteText[0], '\0');
    ASSERT_EQ(s.categoryIndex, Quotes[q].category);
    ASSERT_STREQ(s.categoryName, QuoteCategories[Quotes[q].category].name);
    ASSERT_EQ(s.quotePicture, Quotes[q].picture);
    ++count[q];
  }
  for (int q = 0; q < QuoteCount; ++q) {
    const int category = Quotes[q].category;
    if (category == 0 || category == 9 || category == 11 || category == 12) {
      EXPECT_EQ(count[q], 0) << Quotes[q].text;
    } else {
      // 211 eligible records: 300 expected each, standard deviation about 17.
      EXPECT_GT(count[q], 220) << Quotes[q].text;
      EXPECT_LT(count[q], 380) << Quotes[q].text;
    }
  }
}

}  // namespace
