// The dialog templates: every dialog with its title, every control the
// dialogs' procedures address with its kind and text, and layouts where
// nothing spills out of its dialog or lies on top of another control.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/winapi.h"
#include "resources/dialog_ids.h"
#include "resources/dialogs.h"

namespace {

using lvx::res::Ctl;
using lvx::res::DialogItem;
using lvx::res::DialogTemplate;
using lvx::res::FindDialogTemplate;

const DialogItem* Item(const DialogTemplate* t, int id) {
  for (std::size_t i = 0; i < t->count; ++i)
    if (t->items[i].id == id) return &t->items[i];
  return nullptr;
}

bool HasText(const DialogTemplate* t, Ctl kind, const std::string& text) {
  for (std::size_t i = 0; i < t->count; ++i)
    if (t->items[i].kind == kind && t->items[i].text == text) return true;
  return false;
}

TEST(DialogTemplates, EveryDialogExistsWithItsTitle) {
  const std::pair<int, const char*> dialogs[] = {
      {IDD_MAIN, "Lumivex v3.08"},
      {IDD_MESSAGES, "Lumivex Messages"},
      {IDD_SOUNDS, "Sounds"},
      {IDD_QUOTES, "Quotes"},
      {IDD_FRIENDS, "Friends"},
      {IDD_STARTUP, "Startup"},
      {IDD_USERS, "Users"},
      {IDD_ABOUT, "About"},
      {IDD_COUNTDOWN, "Countdown Timer"},
      {IDD_BIRTHDAY, "Please enter your Birthday"},
      {IDD_EMAIL, "E-mail parameters"},
      {IDD_WORLDTIME, "World time view"},
  };
  std::size_t count = 0;
  lvx::res::AllDialogTemplates(&count);
  EXPECT_EQ(count, std::size(dialogs));
  for (auto [id, caption] : dialogs) {
    const DialogTemplate* t = FindDialogTemplate(id);
    ASSERT_NE(t, nullptr) << id;
    EXPECT_STREQ(t->caption, caption);
    const bool page = id != IDD_MAIN && id != IDD_COUNTDOWN && id != IDD_BIRTHDAY &&
                      id != IDD_EMAIL && id != IDD_WORLDTIME;
    EXPECT_EQ((t->style & WS_CHILD) != 0, page) << id << ": pages are child dialogs";
  }
  EXPECT_EQ(FindDialogTemplate(2013), nullptr);
}

TEST(DialogTemplates, ControlsCarryTheirIdsKindsAndTexts) {
  struct Want {
    int dialog;
    int id;
    Ctl kind;
    const char* text;  // nullptr: any
  } wants[] = {
      {IDD_MAIN, 1002, Ctl::Edit, nullptr},
      {IDD_MAIN, 1003, Ctl::Edit, nullptr},
      {IDD_MAIN, 1010, Ctl::CheckBox, "The moon phase...."},
      {IDD_MAIN, 1016, Ctl::CheckBox, "... from the southern hemisphere."},
      {IDD_MAIN, 1008, Ctl::CheckBox, "Some &airplanes (2 \"Airbus\")"},
      {IDD_MAIN, 1011, Ctl::CheckBox, "If I have new e-mail."},
      {IDD_MAIN, 1012, Ctl::CheckBox, "Jokes (some may be silly)."},
      {IDD_MAIN, 1006, Ctl::PushButton, "May I have a better &Font ?"},
      {IDD_MAIN, 1009, Ctl::PushButton, "May I have a better &Picture ?"},
      {IDD_MAIN, 1014, Ctl::PushButton, "May I have more &Options ?"},
      {IDD_MAIN, 1013, Ctl::PushButton, "May I have some &Help ?"},
      {IDD_MAIN, 1017, Ctl::Frame, nullptr},
      {IDD_MAIN, IDOK, Ctl::DefPushButton, "Ok"},
      {IDD_MAIN, IDCANCEL, Ctl::PushButton, "Ooops... Cancel"},
      {IDD_MESSAGES, 1054, Ctl::PushButton, "<"},
      {IDD_MESSAGES, 1036, Ctl::Text, "Message "},
      {IDD_MESSAGES, 1033, Ctl::PushButton, ">"},
      {IDD_MESSAGES, 1034, Ctl::PushButton, "New"},
      {IDD_MESSAGES, 1035, Ctl::PushButton, "Delete"},
      {IDD_MESSAGES, 1014, Ctl::PushButton, "Send"},
      {IDD_MESSAGES, 1020, Ctl::PushButton, "?"},
      {IDD_MESSAGES, 1018, Ctl::PushButton, "Preview"},
      {IDD_MESSAGES, 1002, Ctl::Edit, nullptr},
      {IDD_MESSAGES, 1022, Ctl::Edit, nullptr},
      {IDD_MESSAGES, 1010, Ctl::PushButton, "Heart"},
      {IDD_MESSAGES, 1011, Ctl::PushButton, "Happiness"},
      {IDD_MESSAGES, 1013, Ctl::PushButton, "Peace"},
      {IDD_MESSAGES, 1016, Ctl::PushButton, "Star"},
      {IDD_MESSAGES, 1021, Ctl::PushButton, "Countdown"},
      {IDD_MESSAGES, 1023, Ctl::PushButton, "Day Counter"},
      {IDD_MESSAGES, 1019, Ctl::PushButton, "Time"},
      {IDD_MESSAGES, 1025, Ctl::PushButton, "World Time"},
      {IDD_MESSAGES, 1050, Ctl::CheckBox, "Show the messages in random order."},
      {IDD_MESSAGES, 1017, Ctl::CheckBox, "I prefer happiness rather than misery."},
      {IDD_MESSAGES, 1015, Ctl::CheckBox, "I want peace all over the world."},
      {IDD_MESSAGES, 1024, Ctl::CheckBox, "Show the time in 24 hour format."},
      {IDD_SOUNDS, 1000, Ctl::RadioButton, "The sound of silence. It rests my ears."},
      {IDD_SOUNDS, 1001, Ctl::RadioButton, "A lullaby for my insomnia."},
      {IDD_SOUNDS, 1007, Ctl::RadioButton, "Sleep Reminder. ( The opposite of an alarm clock )"},
      {IDD_SOUNDS, 1002, Ctl::RadioButton, "I love the sea. It takes me away."},
      {IDD_SOUNDS, 1005, Ctl::RadioButton, "I like birds. ( Well cooked )"},
      {IDD_SOUNDS, 1006, Ctl::RadioButton,
       "Tonight I feel sad. But this is different from being sad."},
      {IDD_SOUNDS, 1008, Ctl::RadioButton, "\"Sleeping with the one I love\" melody."},
      {IDD_SOUNDS, 1003, Ctl::RadioButton, "My favorite WAV file:"},
      {IDD_SOUNDS, 1004, Ctl::RadioButton, "My favorite MIDI file:"},
      {IDD_SOUNDS, 1028, Ctl::Edit, nullptr},
      {IDD_SOUNDS, 1029, Ctl::Edit, nullptr},
      {IDD_SOUNDS, 1030, Ctl::PushButton, "Browse..."},
      {IDD_SOUNDS, 1031, Ctl::PushButton, "Browse..."},
      {IDD_SOUNDS, 1112, Ctl::CheckBox, "Play continuously (works only with the build-in sounds)"},
      {IDD_SOUNDS, 1113, Ctl::CheckBox, "Cuckoo on the hour"},
      {IDD_QUOTES, 1028, Ctl::Text, nullptr},
      {IDD_QUOTES, 1029, Ctl::Bitmap, nullptr},
      {IDD_QUOTES, 1033, Ctl::PushButton, "Next please"},
      {IDD_QUOTES, 1054, Ctl::PushButton, "Ooops!"},
      {IDD_QUOTES, 1058, Ctl::Edit, nullptr},
      {IDD_QUOTES, 1060, Ctl::Text, "You can even select your own picture from a BMP file"},
      {IDD_QUOTES, 1019, Ctl::Edit, nullptr},
      {IDD_QUOTES, 1020, Ctl::PushButton, "Browse..."},
      {IDD_QUOTES, 1059, Ctl::Text, "(Must be smaller than 100x100 pixels)"},
      {IDD_QUOTES, 1023, Ctl::CheckBox, "Composed by the program"},
      {IDD_QUOTES, 1021, Ctl::Edit, nullptr},
      {IDD_FRIENDS, 1036, Ctl::PushButton, "E-mail  your friends about Lumivex."},
      {IDD_FRIENDS, 1037, Ctl::Edit, nullptr},
      {IDD_FRIENDS, 1038, Ctl::Edit, nullptr},
      {IDD_STARTUP, 1051, Ctl::CheckBox,
       "I want the screensaver to change my wallpaper, using pictures stored in this folder:"},
      {IDD_STARTUP, 1052, Ctl::Edit, nullptr},
      {IDD_STARTUP, 1054, Ctl::PushButton, "Browse..."},
      {IDD_STARTUP, 1039, Ctl::CheckBox, "Top Left"},
      {IDD_STARTUP, 1040, Ctl::CheckBox, "Top Right"},
      {IDD_STARTUP, 1041, Ctl::CheckBox, "Bottom Left"},
      {IDD_STARTUP, 1042, Ctl::CheckBox, "Bottom Right"},
      {IDD_STARTUP, 1038, Ctl::CheckBox, "I am not sure, but I'll try it."},
      {IDD_STARTUP, 1043, Ctl::CheckBox, "Switching off  an old TV."},
      {IDD_STARTUP, 1044, Ctl::CheckBox, "Trying to reach the stars."},
      {IDD_ABOUT, 1030, Ctl::Text, nullptr},
      {IDD_ABOUT, 1031, Ctl::Text, nullptr},
      {IDD_ABOUT, 1016, Ctl::PushButton, "Say \"Hi\" to Jonah"},
      {IDD_ABOUT, 1017, Ctl::PushButton, "Catch a newer version."},
      {IDD_ABOUT, 1033, Ctl::PushButton, "Uninstall"},
      {IDD_COUNTDOWN, 1025, Ctl::Edit, nullptr},
      {IDD_COUNTDOWN, 1026, Ctl::Edit, nullptr},
      {IDD_COUNTDOWN, 1027, Ctl::Edit, nullptr},
      {IDD_COUNTDOWN, 1028, Ctl::Edit, nullptr},
      {IDD_COUNTDOWN, 1029, Ctl::Edit, nullptr},
      {IDD_BIRTHDAY, 1025, Ctl::Edit, nullptr},
      {IDD_BIRTHDAY, 1026, Ctl::Edit, nullptr},
      {IDD_BIRTHDAY, 1027, Ctl::Edit, nullptr},
      {IDD_EMAIL, 1032, Ctl::Edit, nullptr},
      {IDD_EMAIL, 1004, Ctl::Edit, nullptr},
      {IDD_EMAIL, 1005, Ctl::Edit, nullptr},
      {IDD_EMAIL, 1033, Ctl::Edit, nullptr},
      {IDD_EMAIL, 1034, Ctl::RadioButton, "LAN connection"},
      {IDD_EMAIL, 1035, Ctl::RadioButton, "Modem connection"},
      {IDD_WORLDTIME, 1043, Ctl::ComboBox, nullptr},
      {IDD_WORLDTIME, 1045, Ctl::ComboBox, nullptr},
      {IDD_WORLDTIME, 1044, Ctl::CheckBox, "Has daylight saving. (Summer time)"},
      {IDD_WORLDTIME, 1046, Ctl::CheckBox, "Has daylight saving"},
      {IDD_WORLDTIME, 1050, Ctl::Edit, nullptr},
  };
  for (const Want& w : wants) {
    const DialogItem* item = Item(FindDialogTemplate(w.dialog), w.id);
    ASSERT_NE(item, nullptr) << w.dialog << "/" << w.id;
    EXPECT_EQ(item->kind, w.kind) << w.dialog << "/" << w.id;
    if (w.text != nullptr) {
      EXPECT_STREQ(item->text, w.text) << w.dialog << "/" << w.id;
    }
  }
  // The password is masked.
  EXPECT_TRUE(Item(FindDialogTemplate(IDD_EMAIL), IDC_MAIL_PASSWORD)->style & ES_PASSWORD);
  EXPECT_TRUE(Item(FindDialogTemplate(IDD_MAIN), IDC_MAIN_MESSAGE)->style & ES_MULTILINE);
  EXPECT_TRUE(Item(FindDialogTemplate(IDD_MESSAGES), IDC_MSG_TEXT)->style & ES_MULTILINE);
  // The pages' pictures.
  const std::pair<int, int> bitmaps[] = {{IDD_FRIENDS, 169}, {IDD_FRIENDS, 170}, {IDD_USERS, 130},
                                         {IDD_USERS, 133},   {IDD_USERS, 129},   {IDD_ABOUT, 145},
                                         {IDD_ABOUT, 156},   {IDD_ABOUT, 154},   {IDD_ABOUT, 158}};
  for (auto [dialog, image] : bitmaps) {
    const DialogTemplate* t = FindDialogTemplate(dialog);
    bool found = false;
    for (std::size_t i = 0; i < t->count; ++i)
      found |= t->items[i].kind == Ctl::Bitmap && t->items[i].image == image;
    EXPECT_TRUE(found) << dialog << " shows bitmap " << image;
  }
  // Labels and frames the dialogs show.
  const std::tuple<int, Ctl, const char*> texts[] = {
      {IDD_MAIN, Ctl::GroupBox, "I would be happy to see ..."},
      {IDD_MAIN, Ctl::GroupBox, "For hard-to-satisfy users "},
      {IDD_MESSAGES, Ctl::Text,
       "Please note that these message(s) will appear AFTER the Main screen message"},
      {IDD_FRIENDS, Ctl::GroupBox, "Spread the news ! "},
      {IDD_FRIENDS, Ctl::GroupBox, "Where should your friends look for Lumivex? "},
      {IDD_FRIENDS, Ctl::Text,
       "If you like Lumivex, don't keep it a secret.\nPlease tell your friend about it."},
      {IDD_FRIENDS, Ctl::Text,
       "Lumivex can be found on the internet. on any of these fine web addresses:"},
      {IDD_USERS, Ctl::GroupBox, "Your Ideas Here"},
      {IDD_USERS, Ctl::GroupBox, "Wisdom or Humour"},
      {IDD_USERS, Ctl::Text,
       "Lumivex respects its users and has reserved this space just for you."},
      {IDD_ABOUT, Ctl::GroupBox, "Lumivex Night Sky Screensaver "},
      {IDD_ABOUT, Ctl::GroupBox, "Check for a newer version "},
      {IDD_ABOUT, Ctl::GroupBox, "Contact "},
      {IDD_ABOUT, Ctl::GroupBox, "No more stars "},
      {IDD_ABOUT, Ctl::Text, "The best experience after your real window."},
      {IDD_STARTUP, Ctl::GroupBox, "Wallpaper changer "},
      {IDD_STARTUP, Ctl::GroupBox, "Prevent the screensaver. "},
      {IDD_STARTUP, Ctl::GroupBox, "Automatic timeout calculation. "},
      {IDD_STARTUP, Ctl::GroupBox, "Effects. "},
      {IDD_STARTUP, Ctl::Text, "(the wallpaper pictures must be in .BMP format)"},
      {IDD_QUOTES, Ctl::Text, "The picture will appear every"},
      {IDD_QUOTES, Ctl::Text, "seconds."},
      {IDD_QUOTES, Ctl::Text, "Composed by you :"},
      {IDD_COUNTDOWN, Ctl::GroupBox, "Expected Date "},
      {IDD_COUNTDOWN, Ctl::Text, "Month (1..12)"},
      {IDD_COUNTDOWN, Ctl::Text, "Day (1..31)"},
      {IDD_COUNTDOWN, Ctl::Text, "Year (4-digits)"},
      {IDD_COUNTDOWN, Ctl::Text, "Hour (0..23)"},
      {IDD_COUNTDOWN, Ctl::Text, "Minute (0..59)"},
      {IDD_EMAIL, Ctl::Text, "Log on Name:"},
      {IDD_EMAIL, Ctl::Text, "Log on Password:"},
      {IDD_EMAIL, Ctl::Text, "Incoming server (POP3):"},
      {IDD_EMAIL, Ctl::Text, "Check every:"},
      {IDD_EMAIL, Ctl::Text, "minutes"},
      {IDD_EMAIL, Ctl::GroupBox, "Your Account Details"},
      {IDD_EMAIL, Ctl::GroupBox, "Internet connection details"},
      {IDD_EMAIL, Ctl::GroupBox, "Some Security Information "},
      {IDD_WORLDTIME, Ctl::Text, "Your current location:"},
      {IDD_WORLDTIME, Ctl::Text, "A world location to watch:"},
      {IDD_WORLDTIME, Ctl::Text, "Bottomline for this location:"},
  };
  for (const auto& [dialog, kind, text] : texts)
    EXPECT_TRUE(HasText(FindDialogTemplate(dialog), kind, text)) << dialog << ": " << text;
}

struct Box {
  int l, t, r, b;
  bool Inside(const Box& o) const { return l >= o.l && t >= o.t && r <= o.r && b <= o.b; }
  bool Overlaps(const Box& o) const { return l < o.r && o.l < r && t < o.b && o.t < b; }
};

Box BoxOf(const DialogItem& i) { return Box{i.x, i.y, i.x + i.cx, i.y + i.cy}; }

TEST(DialogTemplates, LayoutsStayInsideAndDoNotOverlap) {
  std::size_t count = 0;
  const DialogTemplate* const* all = lvx::res::AllDialogTemplates(&count);
  for (std::size_t d = 0; d < count; ++d) {
    const DialogTemplate* t = all[d];
    std::set<int> ids;
    for (std::size_t i = 0; i < t->count; ++i) {
      const DialogItem& a = t->items[i];
      const std::string where =
          std::to_string(t->id) + "/" + std::to_string(i) + " (" + (a.text ? a.text : "") + ")";
      EXPECT_GT(a.cx, 0) << where;
      EXPECT_GT(a.cy, 0) << where;
      // A margin on every side, as dialogs have.
      EXPECT_TRUE(BoxOf(a).Inside(Box{3, 3, t->cx - 3, t->cy - 3}))
          << where << " leaves its dialog";
      if (a.id != IDC_STATIC) {
        EXPECT_TRUE(ids.insert(a.id).second) << where << ": id twice";
      }
      for (std::size_t j = i + 1; j < t->count; ++j) {
        const DialogItem& b = t->items[j];
        if (!BoxOf(a).Overlaps(BoxOf(b))) continue;
        // Only a group box may hold others, and then wholly.
        const bool framed = (a.kind == Ctl::GroupBox && BoxOf(b).Inside(BoxOf(a))) ||
                            (b.kind == Ctl::GroupBox && BoxOf(a).Inside(BoxOf(b)));
        EXPECT_TRUE(framed) << where << " overlaps " << t->id << "/" << j << " ("
                            << (b.text ? b.text : "") << ")";
      }
    }
  }
}

}  // namespace
