// The quote categories and quotations behind the flying picture: two constant
// tables, and the selection each of their users keeps (the flying picture,
// the configuration dialog's Quotes page).
#pragma once

#include <cstddef>

// A picture category; table order is the category index.
struct QuoteCategory {
  int index;
  int picture;  // bitmap resource number
  const char* name;
  int flags;
};

// Flag bits of a category.
inline constexpr int CategoryNotBrowsed = 1;   // skipped by NextCategory / PrevCategory
inline constexpr int CategoryNotInRandom = 2;  // never drawn by RandomQuote

// A quotation: its category, its own picture and one line of text.
struct Quote {
  int category;
  int picture;
  const char* text;
};

inline constexpr int CategoryCount = 17;
inline constexpr int QuoteCount = 215;
// The longest quotation, in characters.
inline constexpr std::size_t QuoteTextLimit = 137;

// Pictures that mark the categories with a special meaning.
inline constexpr int RandomQuotePicture = 192;
inline constexpr int OwnPicturePicture = 149;
inline constexpr int JustTheSkyPicture = 120;

extern const QuoteCategory QuoteCategories[CategoryCount];
// Sorted by category: the quotations of one category form one run.
extern const Quote Quotes[QuoteCount];

// One user's choice: a category and the quotation last drawn from it.
class QuoteSelection {
 public:
  static constexpr std::size_t NameSize = 40;
  static constexpr std::size_t TextSize = QuoteTextLimit + 1;

  QuoteSelection();

  // The category stored as "FPicture" / "Category" (default "Just the sky"),
  // clamped to the table.
  void ReadSelectedCategory();
  // Stores the category index as "FPicture" / "Category".
  void WriteCategory();
  // The next / previous category offered for browsing, wrapping around.
  void NextCategory();
  void PrevCategory();
  // A random quotation of the category: 1, or 0 (and the quotation as it
  // was) when the category has none.
  int RandomPick();
  // A random quotation of any category that takes part in random draws; its
  // category becomes the selection's.
  void RandomQuote();

  int categoryPicture;
  int categoryIndex;
  char categoryName[NameSize];
  char quoteText[TextSize];
  int quotePicture;

 private:
  void TakeCategory(int index);
};
