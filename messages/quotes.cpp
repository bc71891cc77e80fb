#include "messages/quotes.h"

#include "settings/ini_file.h"
#include "settings/log_file.h"
#include "settings/utilities.h"

namespace {
constexpr int kInfo = 3;
constexpr int kWarning = 5;
constexpr const char* kSection = "FPicture";
}  // namespace

// clang-format off
const QuoteCategory QuoteCategories[CategoryCount] = {
    {0, 192, "Random quote", 2},
    {1, 157, "Flower", 0},
    {2, 123, "Typical UFO", 0},
    {3, 122, "Baby delivery", 0},
    {4, 128, "Love fool", 0},
    {5, 139, "Wise guy", 0},
    {6, 138, "Your quotes", 0},
    {7, 127, "Keep away", 0},
    {8, 153, "No smoking", 0},
    {9, 149, "Your picture -->", 2},
    {10, 143, "New email", 1},
    {11, 120, "Just the sky", 2},
    {12, 160, "Happy birthday", 2},
    {13, 121, "Scared ghost", 0},
    {14, 118, "Flying Witch", 0},
    {15, 155, "Traveling", 0},
    {16, 189, "World peace", 0},
};

// One quotation a line, so that the texts can be read and reviewed as a list.
const Quote Quotes[QuoteCount] = {
    {0, 192, ""},
    {1, 157, "No flower can compare to you."},
    {2, 123, "Strange civilization! The main product is garbage!"},
    {2, 123, "Take me to your leader. On second thought, take me to your cook."},
    {3, 122, "Special delivery: one small miracle, please handle with love."},
    {3, 122, "Ten tiny fingers, ten tiny toes, and one very loud voice."},
    {3, 122, "Welcome to the world, little one. The grown-ups are still learning too."},
    {4, 164, "You stole my heart, but you may keep it."},
    {4, 164, "The course of true love never did run smooth."},
    {4, 164, "I love you more than coffee. Please do not tell the coffee."},
    {4, 164, "Love looks not with the eyes, but with the mind."},
    {4, 164, "My heart beats a little faster every time your name appears on my screen."},
    {4, 164, "If I had a star for every time you made me smile, the whole sky would be mine."},
    {4, 164, "Two hearts, one rhythm, no instruction manual."},
    {4, 164, "Love is the only thing that grows when you give it away."},
    {4, 164, "You are the password to my heart. Please do not share it."},
    {4, 164, "I would cross an ocean for you. A small one. In a good boat."},
    {4, 164, "Together is my favourite place to be."},
    {4, 164, "Love is friendship set on fire."},
    {4, 164, "Some say love is blind. I say it just sees better in the dark."},
    {4, 164, "You make ordinary days feel like holidays."},
    {4, 164, "Of all the stars tonight, you are the one I wish on."},
    {4, 164, "Loving you is the easiest thing I have ever done."},
    {4, 164, "Love conquers all things; let us too surrender to love."},
    {4, 164, "My favourite hobby is thinking about you."},
    {4, 164, "Hold my hand and the rest of the world can wait."},
    {4, 128, "Roses are red, screens are blue, the stars are all out, and I'm thinking of you."},
    {4, 128, "I am a fool for you, and proud of it."},
    {4, 128, "Love makes fools of us all, and what a happy crowd we are."},
    {4, 128, "A kiss a day keeps the grumpiness away."},
    {4, 128, "You said hello, and my heart said yes before I did."},
    {4, 128, "Lovers are fools, and I am the king of them."},
    {4, 128, "Falling for you was the best trip I ever took."},
    {4, 128, "My heart is a fool: it skips a beat whenever you walk in."},
    {4, 128, "Love is a game in which both players can win."},
    {4, 128, "Follow your heart, but take your brain along."},
    {4, 128, "Who ever loved, that loved not at first sight?"},
    {4, 128, "I would still choose you, on a Monday, in the rain, without coffee."},
    {4, 128, "One heart is lonely, two hearts are company."},
    {5, 139, "A journey of a thousand miles begins with a single step."},
    {5, 139, "Early to bed and early to rise makes a man healthy, wealthy and wise."},
    {5, 139, "Well done is better than well said."},
    {5, 139, "Knowing yourself is the beginning of all wisdom."},
    {5, 139, "The only true wisdom is in knowing you know nothing."},
    {5, 139, "Do not count your chickens before they are hatched."},
    {5, 139, "A stitch in time saves nine."},
    {5, 139, "Where there is a will, there is a way."},
    {5, 139, "Actions speak louder than words."},
    {5, 139, "Patience is bitter, but its fruit is sweet."},
    {5, 139, "Still waters run deep."},
    {5, 139, "Every cloud has a silver lining."},
    {5, 139, "Do not put off until tomorrow what you can do today."},
    {5, 139, "Better late than never, but never late is better."},
    {5, 139, "Measure twice, cut once."},
    {5, 139, "A smooth sea never made a skilled sailor."},
    {5, 139, "Fall seven times, stand up eight."},
    {5, 139, "He who asks is a fool for a minute; he who does not ask is a fool for ever."},
    {5, 139, "Do not look where you fell, but where you slipped."},
    {5, 139, "Many hands make light work."},
    {5, 139, "The pen is mightier than the sword."},
    {5, 139, "Time and tide wait for no man."},
    {5, 139, "An ounce of prevention is worth a pound of cure."},
    {5, 139, "Honesty is the best policy."},
    {5, 139, "Little strokes fell great oaks."},
    {5, 139, "A penny saved is a penny earned."},
    {5, 139, "Haste makes waste."},
    {5, 139, "Necessity is the mother of invention."},
    {5, 139, "Even a stopped clock is right twice a day."},
    {5, 139, "The squeaky wheel gets the grease."},
    {5, 139, "Curiosity is the candle we carry in front of the mind."},
    {5, 139, "You have two ears and one mouth, so listen twice as much as you speak."},
    {5, 139, "A wise man changes his mind; a fool never does."},
    {5, 139, "Mountains are moved one small stone at a time."},
    {5, 139, "Today is the tomorrow you worried about yesterday, and look: it is fine."},
    {5, 139, "Wisdom begins in wonder."},
    {5, 139, "Nothing is so firmly believed as what we least know."},
    {5, 139, "A good laugh and a long sleep are the best cures in the doctor's book."},
    {5, 139, "You cannot step into the same river twice."},
    {5, 139, "When the computer is slow, go and look at the stars for a while. They are never in a hurry."},
    {5, 139, "The wise learn from the mistakes of others; the rest of us learn from our own, several times over."},
    {5, 139, "What you hear you may forget; what you do with your own hands you remember."},
    {5, 139, "Experience is a comb that life gives us when we have lost our hair."},
    {5, 139, "Do not judge a book by its cover, nor a computer by its screen saver."},
    {5, 139, "A closed mouth catches no flies."},
    {5, 139, "The grass is always greener on the other side of the fence, until you have to mow it."},
    {5, 139, "To know the road ahead, ask those coming back."},
    {5, 139, "Rome was not built in a day."},
    {5, 139, "A friend in need is a friend indeed."},
    {5, 139, "Better to light one small candle than to curse the darkness."},
    {5, 139, "The sky is not the limit; it is only the view."},
    {5, 139, "He that can have patience can have what he will."},
    {5, 139, "Lost time is never found again."},
    {5, 139, "A good example is the best sermon."},
    {5, 139, "Three may keep a secret, if two of them are dead."},
    {5, 139, "Fish and visitors stink after three days."},
    {5, 139, "Wish not so much to live long as to live well."},
    {5, 139, "The cautious seldom err."},
    {5, 139, "Slow and steady wins the race."},
    {5, 139, "When the student is ready, the teacher appears."},
    {5, 139, "All that glitters is not gold."},
    {5, 139, "Brevity is the soul of wit."},
    {5, 139, "There is nothing either good or bad, but thinking makes it so."},
    {5, 139, "We know what we are, but know not what we may be."},
    {5, 139, "The fool doth think he is wise, but the wise man knows himself to be a fool."},
    {5, 139, "Luck likes to visit those who are ready for it."},
    {5, 139, "While we are postponing, life speeds by."},
    {5, 139, "Life is long enough, if only we did not waste so much of it."},
    {5, 139, "Difficulties strengthen the mind, as labour does the body."},
    {5, 139, "The mind is not a vessel to be filled, but a fire to be kindled."},
    {5, 139, "Well begun is half done."},
    {5, 139, "What we do every day matters more than what we do once in a while."},
    {5, 139, "A backup a day keeps the panic away."},
    {5, 139, "An expert is only a beginner who did not stop practising."},
    {5, 139, "The stars do not argue about who shines brightest. They just shine."},
    {5, 139, "Think twice, click once."},
    {5, 139, "The night is darkest just before the dawn."},
    {5, 139, "If you chase two rabbits, you will catch neither."},
    {5, 139, "Empty vessels make the most noise."},
    {5, 139, "The nail that sticks out gets hammered down, but it is also the one that holds the picture up."},
    {5, 139, "Clear skies are made of the same air as storms; they have simply made up their minds."},
    {5, 139, "Give a man a fish and you feed him for a day; teach a man to fish and you feed him for a lifetime."},
    {5, 139, "The light of the stars you see tonight left them long ago. Be patient with the good you send out: it arrives in time."},
    {5, 139, "When you have nothing to say, a screen saver says it for you, slowly and in stars."},
    {5, 139, "Learning never exhausts the mind."},
    {5, 139, "Simple things done well beat clever things done badly."},
    {5, 139, "He is rich who is content with little, and poor who always wants more."},
    {5, 139, "The best way out of a difficulty is through it."},
    {5, 139, "A watched pot never boils, and a watched download never finishes."},
    {6, 141, "Gone for lunch. Back in ten minutes, or twenty, depending on dessert."},
    {6, 141, "Please do not feed the programmer after midnight."},
    {6, 141, "This desk belongs to someone who will be right back. Probably."},
    {6, 141, "Out saving the world. Please leave a message after the stars."},
    {6, 141, "Meeting in room 4 at three o'clock. Bring ideas, not excuses."},
    {6, 141, "Remember: the plants on the window sill need water on Fridays."},
    {6, 141, "Happy Friday, team! The weekend is loading, please wait."},
    {6, 141, "Dear cleaning crew, the pile of paper is a filing system. Thank you!"},
    {6, 141, "Call Mum back tonight. She knows you saw her message."},
    {6, 141, "If you can read this, you are standing too close to my screen."},
    {6, 142, "Have you tried making a cup of tea first? Most problems look smaller after one."},
    {6, 142, "The coffee machine is on the second floor. So is my good mood."},
    {6, 142, "Well done, night shift: one more week and the project ships!"},
    {6, 142, "Note to self: buy milk, pay the rent, call the plumber, be nice."},
    {6, 142, "Family dinner at seven on Sunday. Everyone brings one dish and one joke."},
    {6, 142, "The office plant has been watered. Please do not water it again."},
    {6, 142, "Quiet please: a genius is at work. Or at least someone pretending to be one."},
    {6, 142, "Whoever borrowed my stapler: I know where you sit."},
    {6, 142, "Back after the holidays with a suntan and no new ideas."},
    {6, 142, "Thank you for a great year, everyone. You make Mondays bearable."},
    {6, 142, "Password hint: it is no longer on a sticky note under the keyboard."},
    {6, 142, "Lunch run at noon. Write your order on the board by eleven."},
    {6, 142, "Tomorrow's forecast: a hundred percent chance of overtime."},
    {6, 142, "This computer is guarded by a very fierce cat."},
    {7, 127, "Touch my computer during my absence, and you'll regret it during my presence."},
    {8, 153, "No smoking please near this computer"},
    {8, 153, "Smoke gets in the keyboard, and the keyboard gets upset."},
    {8, 153, "Fresh air is free. Please enjoy some outside before you light up."},
    {12, 160, "Happy birthday! May all your wishes come true, starting with the cake."},
    {12, 160, "Another year older, another year wiser, and still the best company in the room."},
    {12, 160, "Blow out the candles and make a wish. The stars are listening."},
    {13, 121, "Help! I saw a human."},
    {13, 121, "Boo! Sorry, did I frighten you? You frightened me first."},
    {14, 118, "Broom serviced, cat on board, moon full: ready for take-off."},
    {14, 118, "Flying tonight. Spells by appointment only."},
    {14, 118, "Be nice to the witch: she knows where the frogs come from."},
    {15, 155, "The world is a book, and those who do not travel read only one page."},
    {15, 155, "Pack light, travel far, and come home with stories."},
    {15, 155, "Postcard from the stars: having a lovely time, wish you were here."},
    {15, 155, "The road home is always shorter than the road away."},
    {16, 113, "Blessed are the peacemakers."},
    {16, 113, "If everyone tended their own garden, there would be no time left for war."},
    {16, 113, "Peace does not mean that we never disagree; it means we keep talking until we understand each other."},
    {16, 113, "One planet, one sky, one family under the same stars."},
    {16, 113, "From up here no borders can be seen: only oceans, clouds, mountains and the lights of cities where people sleep and dream."},
    {16, 113, "Let us build bridges, not walls, and make every bridge wide enough for two to walk side by side."},
    {16, 113, "We only borrow this blue planet for a while; let us give it back greener, quieter and kinder than we found it."},
    {16, 113, "Whoever saves a single life saves an entire world."},
    {16, 113, "Hatred is never ended by hatred, but by love alone: this is an eternal law."},
    {16, 113, "A soft answer turns away wrath."},
    {16, 113, "They shall beat their swords into ploughshares, and their spears into pruning hooks."},
    {16, 113, "Nation shall not lift up sword against nation, neither shall they learn war any more."},
    {16, 113, "Imagine a morning when no newspaper on earth has anything sad to print, and the biggest headline is the weather."},
    {16, 113, "Peace starts at the kitchen table, with one person listening while the other one speaks."},
    {16, 113, "Every child on this planet deserves a quiet night, a warm bed, a full plate and a sky with nothing in it but stars."},
    {16, 113, "Share the bread, share the road, share the sky: there is enough of all three for everyone."},
    {16, 113, "A small act of kindness travels farther than the loudest word of anger."},
    {16, 113, "Many languages, many colours, many songs, and one heartbeat under them all."},
    {16, 113, "Peace is a garden: it needs patient hands, a little water every day, and nobody stepping on it."},
    {16, 113, "Look up tonight. The same moon shines on your neighbour and on people on the far side of the world."},
    {16, 113, "If you want peace in the world, begin by making peace with the person next to you."},
    {16, 113, "Do not wait for the leaders: be the first in your street to say good morning to someone you do not know."},
    {16, 113, "There never was a good war or a bad peace."},
    {16, 113, "Blessed is the one who turns an enemy into a friend."},
    {16, 113, "Children share their toys before anyone teaches them to; let us remember what we knew before we learned to be afraid."},
    {16, 113, "The world is my country, all mankind are my brethren, and to do good is my religion."},
    {16, 113, "Peace on earth and goodwill to all people, in every season and not only at Christmas."},
    {16, 113, "Every quarrel starts as a thought, and so does every reconciliation: choose the thought you carry home tonight."},
    {16, 113, "A world without weapons is no dream if enough of us keep dreaming it out loud, day after day."},
    {16, 189, "Peace be with you."},
    {16, 189, "A dove has no flag, no passport and no enemies."},
    {16, 189, "Fly, little dove, and carry our good wishes to every corner of the sky."},
    {16, 189, "The only victory that leaves nobody defeated is peace."},
    {16, 189, "Forgive, and the weight you drop will be your own."},
    {16, 189, "Peace is the quiet that follows a kind word."},
    {16, 189, "Speak gently, listen closely, judge slowly."},
    {16, 189, "Hands that hold each other cannot hold weapons."},
    {16, 189, "Let the olive branch grow in every garden."},
    {16, 189, "Peace within, peace around, peace for all."},
    {16, 189, "Love thy neighbour as thyself."},
    {16, 189, "Be the calm in somebody's storm today."},
    {16, 189, "Every dove was once an egg, and every peace was once an idea."},
    {16, 189, "Kind words cost nothing and buy a great deal."},
    {16, 189, "When in doubt, be kind."},
    {16, 189, "Peace, like the stars, is always there; sometimes we only have to wait for the clouds to pass."},
    {16, 189, "Good night, world. Tomorrow let us try to get along a little better."},
    {16, 195, "Peace and love, flowers and sunshine, and a rainbow after every storm."},
};
// clang-format on

QuoteSelection::QuoteSelection()
    : categoryPicture(0), categoryIndex(0), categoryName{}, quoteText{}, quotePicture(0) {}

void QuoteSelection::TakeCategory(int index) {
  categoryIndex = index;
  categoryPicture = QuoteCategories[index].picture;
  SafeStrCpy(categoryName, QuoteCategories[index].name);
}

void QuoteSelection::ReadSelectedCategory() {
  int defaultCategory = -1;
  for (const QuoteCategory& category : QuoteCategories) {
    if (category.picture == JustTheSkyPicture) {
      defaultCategory = category.index;
      break;
    }
  }
  if (defaultCategory < 0) LogFile.Log(kWarning, "ReadSelectedCategory", "justsky not found");

  int index = defaultCategory;
  MainSettings.UserReadInt(kSection, "Category", &index, defaultCategory);
  if (index < 1) index = 0;
  if (index > CategoryCount - 1) index = CategoryCount - 1;
  TakeCategory(index);

  LogFile.LogInt(kInfo, "DefaultCategory", defaultCategory);
  LogFile.LogInt(kInfo, "currentCategoryID", categoryIndex);
  LogFile.Log(kInfo, "CurrentCategory(string)", categoryName);
  LogFile.LogInt(kInfo, "def_nCategories", CategoryCount);
  LogFile.LogInt(kInfo, "def_nQuotes", QuoteCount);
}

void QuoteSelection::WriteCategory() {
  MainSettings.UserWriteUInt(kSection, "Category", static_cast<unsigned>(categoryIndex));
}

// A hand-set index outside the table starts the walk from the nearest end.
void QuoteSelection::NextCategory() {
  int index = categoryIndex < 0 ? CategoryCount - 1 : categoryIndex % CategoryCount;
  do {
    index = (index + 1) % CategoryCount;
  } while ((QuoteCategories[index].flags & CategoryNotBrowsed) != 0);
  TakeCategory(index);
}

void QuoteSelection::PrevCategory() {
  int index = categoryIndex < 0 ? 0 : categoryIndex % CategoryCount;
  do {
    index = (index + CategoryCount - 1) % CategoryCount;
  } while ((QuoteCategories[index].flags & CategoryNotBrowsed) != 0);
  TakeCategory(index);
}

int QuoteSelection::RandomPick() {
  LogFile.LogInt(kInfo, "entering RandomPick with CurrentCategory", categoryIndex);
  int first = 0;
  while (first < QuoteCount && Quotes[first].category != categoryIndex) ++first;
  if (first == QuoteCount) {
    LogFile.LogInt(kInfo, "No Quotes for category", categoryIndex);
    return 0;
  }
  int count = 0;
  while (first + count < QuoteCount && Quotes[first + count].category == categoryIndex) ++count;

  const Quote& quote = Quotes[first + RandomBelow(count)];
  SafeStrCpy(quoteText, quote.text);
  quotePicture = quote.picture;
  return 1;
}

void QuoteSelection::RandomQuote() {
  // Terminates: most categories take part and have texts.
  int i = 0;
  do {
    i = RandomBelow(QuoteCount);
  } while ((QuoteCategories[Quotes[i].category].flags & CategoryNotInRandom) != 0 ||
           Quotes[i].text[0] == '\0');
  TakeCategory(Quotes[i].category);
  SafeStrCpy(quoteText, Quotes[i].text);
  quotePicture = Quotes[i].picture;
}
