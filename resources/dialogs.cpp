// The dialogs of the configuration: the main page, the seven property pages
// of "Much More Options" and the small dialogs they open.
#include "resources/dialogs.h"

#include <algorithm>
#include <iterator>

#include "platform/winapi/dialog.h"
#include "platform/winapi/user.h"
#include "resources/dialog_ids.h"

namespace lvx::res {
namespace {

constexpr DialogItem Push(int id, const char* text, short x, short y, short cx, short cy = 14,
                          DWORD style = 0) {
  return {Ctl::PushButton, id, text, x, y, cx, cy, style, 0};
}
constexpr DialogItem DefPush(int id, const char* text, short x, short y, short cx, short cy = 14,
                             DWORD style = 0) {
  return {Ctl::DefPushButton, id, text, x, y, cx, cy, style, 0};
}
constexpr DialogItem Check(int id, const char* text, short x, short y, short cx, short cy = 10,
                           DWORD style = 0) {
  return {Ctl::CheckBox, id, text, x, y, cx, cy, style, 0};
}
constexpr DialogItem Radio(int id, const char* text, short x, short y, short cx, short cy = 10,
                           DWORD style = 0) {
  return {Ctl::RadioButton, id, text, x, y, cx, cy, style, 0};
}
constexpr DialogItem Group(const char* text, short x, short y, short cx, short cy) {
  return {Ctl::GroupBox, IDC_STATIC, text, x, y, cx, cy, 0, 0};
}
constexpr DialogItem Label(int id, const char* text, short x, short y, short cx, short cy = 8,
                           DWORD style = 0) {
  return {Ctl::Text, id, text, x, y, cx, cy, style, 0};
}
constexpr DialogItem Edit(int id, short x, short y, short cx, short cy = 13, DWORD style = 0) {
  return {Ctl::Edit, id, "", x, y, cx, cy, style, 0};
}
constexpr DialogItem Combo(int id, short x, short y, short cx, short cy = 14) {
  return {Ctl::ComboBox, id, "", x, y, cx, cy, 0, 0};
}
constexpr DialogItem Picture(int id, short x, short y, short cx, short cy) {
  return {Ctl::Frame, id, "", x, y, cx, cy, 0, 0};
}
constexpr DialogItem Bitmap(int id, int image, short x, short y, short cx, short cy) {
  return {Ctl::Bitmap, id, "", x, y, cx, cy, 0, image};
}

constexpr DWORD kDialog = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kPage = WS_CHILD | WS_CAPTION;
constexpr DWORD kMultiLine = ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL;

// ---- 2003: the main page ----
constexpr DialogItem kMain[] = {
    Label(IDC_STATIC, "Message:", 7, 7, 80),
    Edit(IDC_MAIN_MESSAGE, 7, 17, 170, 34, kMultiLine),
    Label(IDC_STATIC, "BottomLine:", 7, 56, 80),
    Edit(IDC_MAIN_BOTTOMLINE, 7, 66, 170),
    Group("I would be happy to see ...", 7, 86, 170, 86),
    Check(IDC_MAIN_MOON, "The moon phase....", 15, 99, 156),
    Check(IDC_MAIN_SOUTHERN, "... from the southern hemisphere.", 27, 112, 144),
    Check(IDC_MAIN_AIRPLANES, "Some &airplanes (2 \"Airbus\")", 15, 125, 156),
    Check(IDC_MAIN_EMAIL, "If I have new e-mail.", 15, 138, 156),
    Check(IDC_MAIN_JOKES, "Jokes (some may be silly).", 15, 151, 156),
    Picture(IDC_MAIN_PICTURE, 185, 10, 152, 162),
    Group("For hard-to-satisfy users ", 7, 178, 330, 50),
    Push(IDC_MAIN_FONT, "May I have a better &Font ?", 15, 191, 154),
    Push(IDC_MAIN_PICTURE_BUTTON, "May I have a better &Picture ?", 175, 191, 154),
    Push(IDC_MAIN_OPTIONS, "May I have more &Options ?", 15, 208, 154),
    Push(IDC_MAIN_HELP, "May I have some &Help ?", 175, 208, 154),
    DefPush(IDOK, "Ok", 199, 236, 60),
    Push(IDCANCEL, "Ooops... Cancel", 265, 236, 72),
};

// ---- 2019: "Lumivex Messages" ----
constexpr DialogItem kMessages[] = {
    Label(IDC_STATIC, "Please note that these message(s) will appear AFTER the Main screen message",
          7, 7, 286, 16),
    Push(IDC_MSG_PREV, "<", 7, 27, 18),
    Label(IDC_MSG_NUMBER, "Message ", 27, 30, 68, 8, SS_CENTER),
    Push(IDC_MSG_NEXT, ">", 97, 27, 18),
    Push(IDC_MSG_NEW, "New", 121, 27, 36),
    Push(IDC_MSG_DELETE, "Delete", 160, 27, 36),
    Push(IDC_MSG_SEND, "Send", 199, 27, 36),
    Push(IDC_MSG_PREVIEW, "Preview", 238, 27, 36),
    Push(IDC_MSG_HELP, "?", 277, 27, 16),
    Label(IDC_STATIC, "Message:", 7, 47, 80),
    Edit(IDC_MSG_TEXT, 7, 57, 286, 28, kMultiLine),
    Label(IDC_STATIC, "BottomLine:", 7, 89, 80),
    Edit(IDC_MSG_BOTTOMLINE, 7, 99, 286),
    Group("Symbols ", 7, 118, 286, 32),
    Push(IDC_MSG_HEART, "Heart", 15, 131, 63),
    Push(IDC_MSG_HAPPY, "Happiness", 84, 131, 63),
    Push(IDC_MSG_PEACE, "Peace", 153, 131, 63),
    Push(IDC_MSG_STAR, "Star", 222, 131, 63),
    Group("Live values ", 7, 154, 286, 32),
    Push(IDC_MSG_COUNTDOWN, "Countdown", 15, 167, 63),
    Push(IDC_MSG_DAYCOUNTER, "Day Counter", 84, 167, 63),
    Push(IDC_MSG_TIME, "Time", 153, 167, 63),
    Push(IDC_MSG_WORLDTIME, "World Time", 222, 167, 63),
    Check(IDC_MSG_RANDOM, "Show the messages in random order.", 7, 192, 286),
    Check(IDC_MSG_HAPPY_CHECK, "I prefer happiness rather than misery.", 7, 205, 286),
    Check(IDC_MSG_PEACE_CHECK, "I want peace all over the world.", 7, 218, 286),
    Check(IDC_MSG_24H, "Show the time in 24 hour format.", 7, 231, 286),
};

// ---- 2006: "Sounds" ----
constexpr DialogItem kSounds[] = {
    Radio(IDC_SND_SILENCE, "The sound of silence. It rests my ears.", 7, 8, 286, 10,
          WS_GROUP | WS_TABSTOP),
    Radio(IDC_SND_LULLABY, "A lullaby for my insomnia.", 7, 21, 286),
    Radio(IDC_SND_REMINDER, "Sleep Reminder. ( The opposite of an alarm clock )", 7, 34, 286),
    Radio(IDC_SND_SEA, "I love the sea. It takes me away.", 7, 47, 286),
    Radio(IDC_SND_BIRDS, "I like birds. ( Well cooked )", 7, 60, 286),
    Radio(IDC_SND_SAD, "Tonight I feel sad. But this is different from being sad.", 7, 73, 286),
    Radio(IDC_SND_MELODY, "\"Sleeping with the one I love\" melody.", 7, 86, 286),
    Radio(IDC_SND_WAV, "My favorite WAV file:", 7, 102, 286),
    Edit(IDC_SND_WAV_PATH, 19, 115, 218),
    Push(IDC_SND_WAV_BROWSE, "Browse...", 241, 114, 52),
    Radio(IDC_SND_MIDI, "My favorite MIDI file:", 7, 135, 286),
    Edit(IDC_SND_MIDI_PATH, 19, 148, 218),
    Push(IDC_SND_MIDI_BROWSE, "Browse...", 241, 147, 52),
    Check(IDC_SND_CONTINUOUS, "Play continuously (works only with the build-in sounds)", 7, 172,
          286, 10, WS_GROUP),
    Check(IDC_SND_CUCKOO, "Cuckoo on the hour", 7, 185, 286),
};

// ---- 121: "Quotes" ----
constexpr DialogItem kQuotes[] = {
    Bitmap(IDC_QUO_PICTURE, 0, 7, 7, 92, 72),
    Label(IDC_QUO_CATEGORY, "", 107, 10, 186, 10),
    Push(IDC_QUO_NEXT, "Next please", 107, 26, 64),
    Push(IDC_QUO_PREV, "Ooops!", 175, 26, 50),
    Label(IDC_STATIC, "The picture will appear every", 107, 52, 116),
    Edit(IDC_QUO_SECONDS, 225, 50, 30, 13, ES_NUMBER),
    Label(IDC_STATIC, "seconds.", 259, 52, 34),
    Label(IDC_QUO_OWN_LABEL, "You can even select your own picture from a BMP file", 7, 88, 286),
    Edit(IDC_QUO_OWN_PATH, 7, 99, 230),
    Push(IDC_QUO_BROWSE, "Browse...", 241, 98, 52),
    Label(IDC_QUO_SIZE_NOTE, "(Must be smaller than 100x100 pixels)", 7, 115, 286),
    Check(IDC_QUO_AUTOTEXT, "Composed by the program", 7, 134, 286),
    Label(IDC_STATIC, "Composed by you :", 7, 152, 72),
    Edit(IDC_QUO_BANNER, 81, 150, 212),
};

// ---- 2017: "Friends" ----
constexpr DialogItem kFriends[] = {
    Group("Spread the news ! ", 7, 7, 286, 92),
    Bitmap(IDC_STATIC, 169, 14, 19, 72, 74),
    Label(IDC_STATIC,
          "If you like Lumivex, don't keep it a secret.\nPlease tell your friend about it.", 93, 27,
          193, 20),
    Push(IDC_FRI_MAIL, "E-mail  your friends about Lumivex.", 93, 60, 150),
    Group("Where should your friends look for Lumivex? ", 7, 105, 286, 92),
    Bitmap(IDC_STATIC, 170, 14, 117, 72, 74),
    Label(IDC_STATIC, "Lumivex can be found on the internet. on any of these fine web addresses:",
          93, 119, 193, 18),
    Edit(IDC_FRI_SITE, 93, 143, 193, 13, ES_READONLY),
    Edit(IDC_FRI_DOWNLOAD, 93, 161, 193, 13, ES_READONLY),
};

// ---- 2018: "Startup" ----
constexpr DialogItem kStartup[] = {
    Group("Wallpaper changer ", 7, 4, 286, 60),
    Check(IDC_STA_WALLPAPER,
          "I want the screensaver to change my wallpaper, using pictures stored in this folder:",
          14, 15, 272, 18, BS_MULTILINE),
    Edit(IDC_STA_WALLPAPER_PATH, 14, 35, 214),
    Push(IDC_STA_WALLPAPER_BROWSE, "Browse...", 234, 34, 52),
    Label(IDC_STATIC, "(the wallpaper pictures must be in .BMP format)", 14, 52, 272),
    Group("Prevent the screensaver. ", 7, 68, 286, 66),
    Label(IDC_STATIC,
          "You can temporary prevent the screensaver from starting, by moving the mouse pointer "
          "to a corner on the screen. Please select the corners you want to use.",
          14, 79, 272, 26),
    Check(IDC_STA_TOPLEFT, "Top Left", 14, 107, 120),
    Check(IDC_STA_TOPRIGHT, "Top Right", 150, 107, 120),
    Check(IDC_STA_BOTTOMLEFT, "Bottom Left", 14, 120, 120),
    Check(IDC_STA_BOTTOMRIGHT, "Bottom Right", 150, 120, 120),
    Group("Automatic timeout calculation. ", 7, 138, 286, 48),
    Label(IDC_STATIC,
          "Lumivex can automatically adjust how often the screensaver will start, according to "
          "the way you use your computer.",
          14, 149, 272, 18),
    Check(IDC_STA_TIMEOUT, "I am not sure, but I'll try it.", 14, 171, 272),
    Group("Effects. ", 7, 190, 286, 48),
    Label(IDC_STATIC, "There are additional visual effects while the program is warming-up.", 14,
          201, 272, 18),
    Check(IDC_STA_SWITCHOFF, "Switching off  an old TV.", 14, 223, 130),
    Check(IDC_STA_REACH, "Trying to reach the stars.", 150, 223, 136),
};

// ---- 2010: "Users" ----
constexpr DialogItem kUsers[] = {
    Label(IDC_STATIC, "Lumivex respects its users and has reserved this space just for you.", 7, 6,
          286, 10),
    Group("Your Ideas Here", 7, 19, 286, 108),
    Bitmap(IDC_STATIC, 130, 14, 31, 82, 90),
    Label(IDC_STATIC,
          "From your e-mails I found out that you have excellent ideas. You can send me your "
          "ideas, which I will try to implement in the program.\nSo, in a future release, you "
          "might find your ideas realized in this space.",
          102, 33, 184, 86),
    Group("Wisdom or Humour", 7, 131, 286, 110),
    Bitmap(IDC_STATIC, 133, 14, 143, 70, 92),
    Label(IDC_STATIC,
          "You can send me your favorite sayings of wisdom or humour. Users will be able to view "
          "these messages along with their own messages.",
          90, 145, 120, 90),
    Bitmap(IDC_STATIC, 129, 216, 143, 70, 92),
};

// ---- 2014: "About" ----
constexpr DialogItem kAbout[] = {
    Group("Lumivex Night Sky Screensaver ", 7, 3, 286, 58),
    Bitmap(IDC_STATIC, 145, 14, 13, 62, 44),
    Label(IDC_STATIC, "The best experience after your real window.", 82, 15, 204, 8),
    Label(IDC_ABO_VERSION, "", 82, 30, 204, 8),
    Label(IDC_ABO_BUILD, "", 82, 42, 204, 8),
    Group("Check for a newer version ", 7, 63, 286, 58),
    Bitmap(IDC_STATIC, 156, 14, 73, 62, 44),
    Label(IDC_STATIC,
          "You can use the internet to download a newer version. Now, isn't that something?", 82,
          75, 204, 18),
    Push(IDC_ABO_NEWER, "Catch a newer version.", 82, 99, 110),
    Group("Contact ", 7, 123, 286, 58),
    Bitmap(IDC_STATIC, 154, 14, 133, 62, 44),
    Label(IDC_STATIC,
          "Please e-mail me for any technical support or just to say \"Hi Jonah, I am using "
          "Lumivex\".",
          82, 135, 204, 18),
    Push(IDC_ABO_HI, "Say \"Hi\" to Jonah", 82, 159, 110),
    Group("No more stars ", 7, 183, 286, 58),
    Bitmap(IDC_STATIC, 158, 14, 193, 62, 44),
    Label(IDC_STATIC,
          "Users that didn't like this program, will be pleased to find an uninstall option "
          "here. By pressing the button below, Lumivex will leave from your computer for good!",
          82, 193, 204, 26),
    Push(IDC_ABO_UNINSTALL, "Uninstall", 82, 222, 110),
};

// ---- 2012: "Countdown Timer" ----
constexpr DialogItem kCountdown[] = {
    Group("Expected Date ", 7, 7, 156, 88),
    Label(IDC_STATIC, "Month (1..12)", 15, 21, 90),
    Edit(IDC_DATE_MONTH, 109, 19, 46, 13, ES_NUMBER),
    Label(IDC_STATIC, "Day (1..31)", 15, 36, 90),
    Edit(IDC_DATE_DAY, 109, 34, 46, 13, ES_NUMBER),
    Label(IDC_STATIC, "Year (4-digits)", 15, 51, 90),
    Edit(IDC_DATE_YEAR, 109, 49, 46, 13, ES_NUMBER),
    Label(IDC_STATIC, "Hour (0..23)", 15, 66, 90),
    Edit(IDC_DATE_HOUR, 109, 64, 46, 13, ES_NUMBER),
    Label(IDC_STATIC, "Minute (0..59)", 15, 81, 90),
    Edit(IDC_DATE_MINUTE, 109, 79, 46, 13, ES_NUMBER),
    DefPush(IDOK, "OK", 57, 102, 50),
    Push(IDCANCEL, "Cancel", 113, 102, 50),
};

// ---- 2015: "Please enter your Birthday" ----
constexpr DialogItem kBirthday[] = {
    Label(IDC_STATIC, "Month (1..12)", 15, 12, 90),
    Edit(IDC_DATE_MONTH, 109, 10, 46, 13, ES_NUMBER),
    Label(IDC_STATIC, "Day (1..31)", 15, 28, 90),
    Edit(IDC_DATE_DAY, 109, 26, 46, 13, ES_NUMBER),
    Label(IDC_STATIC, "Year (4-digits)", 15, 44, 90),
    Edit(IDC_DATE_YEAR, 109, 42, 46, 13, ES_NUMBER),
    DefPush(IDOK, "OK", 57, 64, 50),
    Push(IDCANCEL, "Cancel", 113, 64, 50),
};

// ---- 2016: "E-mail parameters" ----
constexpr DialogItem kEmail[] = {
    Group("Your Account Details", 7, 7, 286, 94),
    Label(IDC_STATIC, "Log on Name:", 15, 21, 96),
    Edit(IDC_MAIL_LOGIN, 113, 19, 172),
    Label(IDC_STATIC, "Log on Password:", 15, 37, 96),
    Edit(IDC_MAIL_PASSWORD, 113, 35, 172, 13, ES_PASSWORD),
    Label(IDC_STATIC, "Incoming server (POP3):", 15, 53, 96),
    Edit(IDC_MAIL_SERVER, 113, 51, 172),
    Label(IDC_STATIC, "Connection security:", 15, 69, 96),
    Combo(IDC_MAIL_SECURITY, 113, 67, 172),
    Label(IDC_STATIC, "Check every:", 15, 86, 96),
    Edit(IDC_MAIL_CHECKEVERY, 113, 84, 30, 13, ES_NUMBER),
    Label(IDC_STATIC, "minutes", 147, 86, 60),
    Group("Internet connection details", 7, 105, 286, 30),
    Radio(IDC_MAIL_LAN, "LAN connection", 15, 118, 120, 10, WS_GROUP | WS_TABSTOP),
    Radio(IDC_MAIL_MODEM, "Modem connection", 150, 118, 135),
    Group("Some Security Information ", 7, 139, 286, 50),
    Label(IDC_STATIC,
          "Lumivex encrypts your e-mail password. However, since the program is about the moon "
          "and the stars, the encryption level for the password is not the best you can find. "
          "If this worries you, please do NOT use this e-mail feature.",
          15, 151, 270, 32),
    DefPush(IDOK, "OK", 187, 195, 50, 14, WS_GROUP),
    Push(IDCANCEL, "Cancel", 243, 195, 50),
};

// ---- 2020: "World time view" ----
constexpr DialogItem kWorldTime[] = {
    Label(IDC_STATIC, "Your current location:", 7, 7, 276),
    Combo(IDC_WT_HOME, 7, 17, 276),
    Check(IDC_WT_HOME_DST, "Has daylight saving. (Summer time)", 7, 35, 276),
    Label(IDC_STATIC, "A world location to watch:", 7, 53, 276),
    Combo(IDC_WT_WORLD, 7, 63, 276),
    Check(IDC_WT_WORLD_DST, "Has daylight saving", 7, 81, 276),
    Label(IDC_STATIC, "Bottomline for this location:", 7, 99, 276),
    Edit(IDC_WT_BOTTOMLINE, 7, 109, 276),
    DefPush(IDOK, "OK", 177, 130, 50),
    Push(IDCANCEL, "Cancel", 233, 130, 50),
};

#define LVX_ITEMS(a) a, std::size(a)

constexpr DialogTemplate kQuotesPage{IDD_QUOTES, "Quotes", 300, 244, kPage, LVX_ITEMS(kQuotes)};
constexpr DialogTemplate kMainPage{IDD_MAIN, "Lumivex v3.08",          344,
                                   257,      kDialog | DS_CONTEXTHELP, LVX_ITEMS(kMain)};
constexpr DialogTemplate kSoundsPage{IDD_SOUNDS, "Sounds", 300, 244, kPage, LVX_ITEMS(kSounds)};
constexpr DialogTemplate kUsersPage{IDD_USERS, "Users", 300, 244, kPage, LVX_ITEMS(kUsers)};
constexpr DialogTemplate kCountdownDialog{IDD_COUNTDOWN, "Countdown Timer", 170,
                                          123,           kDialog,           LVX_ITEMS(kCountdown)};
constexpr DialogTemplate kAboutPage{IDD_ABOUT, "About", 300, 244, kPage, LVX_ITEMS(kAbout)};
constexpr DialogTemplate kBirthdayDialog{IDD_BIRTHDAY, "Please enter your Birthday", 170, 85,
                                         kDialog,      LVX_ITEMS(kBirthday)};
constexpr DialogTemplate kEmailDialog{IDD_EMAIL, "E-mail parameters", 300, 216,
                                      kDialog,   LVX_ITEMS(kEmail)};
constexpr DialogTemplate kFriendsPage{IDD_FRIENDS, "Friends", 300, 244, kPage, LVX_ITEMS(kFriends)};
constexpr DialogTemplate kStartupPage{IDD_STARTUP, "Startup", 300, 244, kPage, LVX_ITEMS(kStartup)};
constexpr DialogTemplate kMessagesPage{IDD_MESSAGES, "Lumivex Messages",  300, 244,
                                       kPage,        LVX_ITEMS(kMessages)};
constexpr DialogTemplate kWorldTimeDialog{IDD_WORLDTIME, "World time view", 290,
                                          151,           kDialog,           LVX_ITEMS(kWorldTime)};

#undef LVX_ITEMS

constexpr const DialogTemplate* kAll[] = {
    &kQuotesPage,      &kMainPage,    &kSoundsPage,     &kUsersPage,
    &kCountdownDialog, &kAboutPage,   &kBirthdayDialog, &kEmailDialog,
    &kFriendsPage,     &kStartupPage, &kMessagesPage,   &kWorldTimeDialog,
};

}  // namespace

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate* t : kAll)
    if (t->id == id) return t;
  return nullptr;
}

const DialogTemplate* const* AllDialogTemplates(std::size_t* count) {
  if (count != nullptr) *count = std::size(kAll);
  return kAll;
}

}  // namespace lvx::res
