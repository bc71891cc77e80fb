#include "messages/quotes.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/scene/scene_fixture.h"

namespace {

struct CategoryRow {
  const char* name;
  int picture;
  int flags;
};

int IndexOfText(const char* text) {
  for (int i = 0; i < QuoteCount; ++i)
    if (std::strcmp(Quotes[i].text, text) == 0) return i;
  return -1;
}

// An active log and fresh settings; the random source seeded.
class QuoteSelectionTest : public SceneTest {
 protected:
  static void StoreCategory(const char* value) {
    MainSettings.UserWriteString("FPicture", "Category", value);
  }
};

TEST(QuoteTables, CategoriesAsGiven) {
  const CategoryRow rows[CategoryCount] = {
      {"Random quote", 192, 2},     {"Flower", 157, 0},       {"Typical UFO", 123, 0},
      {"Baby delivery", 122, 0},    {"Love fool", 128, 0},    {"Wise guy", 139, 0},
      {"Your quotes", 138, 0},      {"Keep away", 127, 0},    {"No smoking", 153, 0},
      {"Your picture -->", 149, 2}, {"New email", 143, 1},    {"Just the sky", 120, 2},
      {"Happy birthday", 160, 2},   {"Scared ghost", 121, 0}, {"Flying Witch", 118, 0},
      {"Traveling", 155, 0},        {"World peace", 189, 0}};
  for (int i = 0; i < CategoryCount; ++i) {
    EXPECT_EQ(QuoteCategories[i].index, i);
    EXPECT_STREQ(QuoteCategories[i].name, rows[i].name) << i;
    EXPECT_EQ(QuoteCategories[i].picture, rows[i].picture) << i;
    EXPECT_EQ(QuoteCategories[i].flags, rows[i].flags) << i;
    EXPECT_LT(std::strlen(QuoteCategories[i].name), QuoteSelection::NameSize);
  }
}

TEST(QuoteTables, CountsAndPictureMixesPerCategory) {
  // (category, picture) -> number of quotations.
  const std::map<std::pair<int, int>, int> expected = {
      {{0, 192}, 1},   {{1, 157}, 1},   {{2, 123}, 2},  {{3, 122}, 3},  {{4, 164}, 19},
      {{4, 128}, 13},  {{5, 139}, 89},  {{6, 141}, 10}, {{6, 142}, 14}, {{7, 127}, 1},
      {{8, 153}, 3},   {{12, 160}, 3},  {{13, 121}, 2}, {{14, 118}, 3}, {{15, 155}, 4},
      {{16, 113}, 29}, {{16, 189}, 17}, {{16, 195}, 1}};
  std::map<std::pair<int, int>, int> counted;
  for (const Quote& q : Quotes) ++counted[{q.category, q.picture}];
  EXPECT_EQ(counted, expected);
}

TEST(QuoteTables, TextsAreSortedSingleLinesWithinTheLimit) {
  std::set<std::string> seen;
  for (int i = 0; i < QuoteCount; ++i) {
    const Quote& q = Quotes[i];
    const std::string text = q.text;
    if (i > 0) {
      EXPECT_LE(Quotes[i - 1].category, q.category) << i;
    }
    EXPECT_EQ(text.empty(), q.category == 0) << i;
    EXPECT_LE(text.size(), QuoteTextLimit) << text;
    for (char c : text) EXPECT_TRUE(c >= ' ' && c <= '~') << text;
    // A repeated quotation would be drawn twice as often.
    EXPECT_TRUE(seen.insert(text).second) << text;
  }

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

TEST_F(QuoteSelectionTest, StoredCategoryIsReadAndClamped) {
  const std::pair<const char*, int> cases[] = {{nullptr, 11}, {"-5", 0},  {"0", 0},
                                               {"1", 1},      {"9", 9},   {"16", 16},
                                               {"17", 16},    {"99", 16}, {"many", 11}};
  for (auto [stored, index] : cases) {
    if (stored != nullptr) StoreCategory(stored);
    QuoteSelection s;
    s.ReadSelectedCategory();
    EXPECT_EQ(s.categoryIndex, index) << (stored ? stored : "absent");
    EXPECT_EQ(s.categoryPicture, QuoteCategories[index].picture);
    EXPECT_STREQ(s.categoryName, QuoteCategories[index].name);
  }
  EXPECT_TRUE(Logged("INFO>DefaultCategory= 11"));
  EXPECT_TRUE(Logged("INFO>CurrentCategory(string)= Just the sky"));
  EXPECT_TRUE(Logged("INFO>currentCategoryID= 16"));
  EXPECT_TRUE(Logged("INFO>def_nCategories= 17"));
  EXPECT_TRUE(Logged("INFO>def_nQuotes= 215"));

  QuoteSelection s;
  s.categoryIndex = 14;
  s.WriteCategory();
  QuoteSelection back;
  back.ReadSelectedCategory();
  EXPECT_EQ(back.categoryIndex, 14);
  EXPECT_STREQ(back.categoryName, "Flying Witch");
}

TEST_F(QuoteSelectionTest, BrowsingSkipsOnlyNewEmail) {
  const std::pair<int, int> next[] = {{9, 11}, {16, 0}, {0, 1}, {11, 12}};
  for (auto [from, to] : next) {
    QuoteSelection s;
    s.categoryIndex = from;
    s.NextCategory();
    EXPECT_EQ(s.categoryIndex, to) << from;
    EXPECT_EQ(s.categoryPicture, QuoteCategories[to].picture);
    EXPECT_STREQ(s.categoryName, QuoteCategories[to].name);
  }
  const std::pair<int, int> previous[] = {{0, 16}, {11, 9}, {1, 0}};
  for (auto [from, to] : previous) {
    QuoteSelection s;
    s.categoryIndex = from;
    s.PrevCategory();
    EXPECT_EQ(s.categoryIndex, to) << from;
  }

  // A full round each way visits the 16 browsable categories once.
  QuoteSelection s;
  std::vector<int> forward, backward;
  for (int i = 0; i < 16; ++i) {
    s.NextCategory();
    forward.push_back(s.categoryIndex);
  }
  for (int i = 0; i < 16; ++i) {
    s.PrevCategory();
    backward.push_back(s.categoryIndex);
  }
  EXPECT_EQ(s.categoryIndex, 0);
  EXPECT_EQ(std::set<int>(forward.begin(), forward.end()).size(), 16u);
  EXPECT_EQ(std::count(forward.begin(), forward.end(), 10), 0);
  EXPECT_EQ(std::count(backward.begin(), backward.end(), 10), 0);

  // An index set by hand outside the table still lands on a category.
  for (int wild : {-3, 17, 40}) {
    QuoteSelection w;
    w.categoryIndex = wild;
    w.NextCategory();
    EXPECT_TRUE(w.categoryIndex >= 0 && w.categoryIndex < CategoryCount) << wild;
    w.categoryIndex = wild;
    w.PrevCategory();
    EXPECT_TRUE(w.categoryIndex >= 0 && w.categoryIndex < CategoryCount) << wild;
  }
}

TEST_F(QuoteSelectionTest, RandomPickStaysInTheCategory) {
  QuoteSelection s;
  s.categoryIndex = 1;
  ASSERT_EQ(s.RandomPick(), 1);

  // No quotations: the selection keeps the quotation it had. (Checked first:
  // the log of a run is limited, and every pick writes a line.)
  s.categoryIndex = 11;
  EXPECT_EQ(s.RandomPick(), 0);
  EXPECT_STREQ(s.quoteText, "No flower can compare to you.");
  EXPECT_EQ(s.quotePicture, 157);
  EXPECT_TRUE(Logged("INFO>entering RandomPick with CurrentCategory= 11"));
  EXPECT_TRUE(Logged("INFO>No Quotes for category= 11"));
  for (int index : {9, 10, 99, -1}) {
    s.categoryIndex = index;
    EXPECT_EQ(s.RandomPick(), 0) << index;
  }

  s.categoryIndex = 1;
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(s.RandomPick(), 1);
    EXPECT_STREQ(s.quoteText, "No flower can compare to you.");
    EXPECT_EQ(s.quotePicture, 157);
  }

  // Every quotation of a mixed category comes out, with its own picture.
  s.categoryIndex = 4;
  std::set<int> drawn;
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(s.RandomPick(), 1);
    const int q = IndexOfText(s.quoteText);
    ASSERT_GE(q, 0);
    ASSERT_EQ(Quotes[q].category, 4);
    ASSERT_EQ(Quotes[q].picture, s.quotePicture);
    drawn.insert(q);
  }
  EXPECT_EQ(drawn.size(), 32u);
}

TEST_F(QuoteSelectionTest, RandomQuoteDrawsEveryEligibleRecordEvenly) {
  lvx::SeedRandomForTests(2024);
  constexpr int kDraws = 63300;  // 300 per eligible record
  std::vector<int> count(QuoteCount, 0);
  QuoteSelection s;
  for (int i = 0; i < kDraws; ++i) {
    s.RandomQuote();
    ASSERT_NE(s.quoteText[0], '\0');
    const int q = IndexOfText(s.quoteText);
    ASSERT_GE(q, 0);
    ASSERT_EQ(s.categoryIndex, Quotes[q].category);
    ASSERT_EQ(s.categoryPicture, QuoteCategories[Quotes[q].category].picture);
    ASSERT_STREQ(s.categoryName, QuoteCategories[Quotes[q].category].name);
    ASSERT_EQ(s.quotePicture, Quotes[q].picture);
    ++count[q];
  }
  int eligible = 0;
  for (int q = 0; q < QuoteCount; ++q) {
    const int category = Quotes[q].category;
    if (category == 0 || category == 9 || category == 11 || category == 12) {
      EXPECT_EQ(count[q], 0) << Quotes[q].text;
      continue;
    }
    ++eligible;
    // 300 expected, standard deviation about 17.
    EXPECT_GT(count[q], 220) << Quotes[q].text;
    EXPECT_LT(count[q], 380) << Quotes[q].text;
  }
  EXPECT_EQ(eligible, 211);
}

}  // namespace
