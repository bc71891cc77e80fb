#include <algorithm>

#include "tools/resgen/pictures.h"

namespace lvx::resgen {

const std::vector<PictureSpec>& Pictures() {
  // clang-format off
  static const std::vector<PictureSpec> kList = {
    {111, 216, 257, 8, "dialog owl", DrawDialogOwl, nullptr, DrawDialogOwlBlink},
    {113, 97, 96, 8, "globe and dove", DrawGlobePeace, nullptr},
    {114, 216, 257, 8, "dialog owl blink", DrawDialogOwlBlink, nullptr, DrawDialogOwl},
    {116, 100, 100, 24, "the moon", DrawMoon, nullptr},
    {118, 88, 55, 8, "flying witch", DrawWitch, nullptr},
    {120, 131, 103, 4, "just the sky", DrawJustSky, nullptr},
    {121, 70, 55, 24, "scared ghost", DrawGhost, nullptr},
    {122, 100, 78, 8, "baby delivery", DrawStork, nullptr},
    {123, 61, 37, 8, "typical ufo", DrawUfo, nullptr},
    {124, 180, 196, 8, "telescope", DrawTelescope, nullptr},
    {125, 180, 249, 8, "house at night", DrawHouseAtNight, nullptr},
    {126, 75, 101, 8, "alarm clock", DrawAlarmClock, nullptr},
    {127, 80, 77, 4, "keep away", DrawKeepAway, nullptr},
    {128, 96, 69, 4, "love hearts", DrawLoveHearts, nullptr},
    {129, 100, 138, 8, "users: humour", DrawLaughingMoon, nullptr},
    {130, 120, 160, 8, "users: ideas", DrawIdeaBulb, nullptr},
    {131, 66, 56, 1, "heart", nullptr, DrawHeart},
    {132, 36, 41, 1, "happy face", nullptr, DrawHappyFace},
    {133, 100, 152, 8, "users: wisdom", DrawWisdomScroll, nullptr},
    {138, 60, 91, 24, "your quotes", DrawQuoteQuill, nullptr},
    {139, 66, 76, 8, "wise guy", DrawOwl, nullptr},
    {141, 70, 100, 8, "your quotes 2", DrawQuoteChat, nullptr},
    {142, 60, 64, 8, "your quotes 3", DrawQuoteMarks, nullptr},
    {144, 80, 85, 24, "new mail", DrawEnvelope, nullptr},
    {145, 80, 85, 8, "about: logo", DrawAboutLogo, nullptr},
    {149, 100, 100, 8, "your picture", DrawYourPicture, nullptr},
    {153, 90, 90, 8, "no smoking", DrawNoSmoking, nullptr},
    {154, 100, 85, 24, "about: contact", DrawAboutContact, nullptr},
    {155, 77, 100, 8, "traveling", DrawTravel, nullptr},
    {156, 100, 85, 24, "about: update", DrawAboutUpdate, nullptr},
    {157, 48, 100, 8, "flower", DrawFlower, nullptr},
    {158, 92, 100, 8, "about: goodbye", DrawAboutGoodbye, nullptr},
    {159, 150, 84, 8, "airplane", DrawAirplaneNight, nullptr},
    {160, 81, 90, 8, "happy birthday", DrawCake, nullptr},
    {162, 100, 100, 8, "cuckoo clock", DrawCuckooClock, nullptr},
    {163, 123, 219, 8, "reach the stars", DrawReachStars, nullptr},
    {164, 81, 75, 8, "love arrow", DrawLoveArrow, nullptr},
    {166, 160, 120, 8, "sea and music", DrawSeaMusic, nullptr},
    {169, 100, 117, 4, "friends", DrawFriendsStars, nullptr},
    {170, 100, 98, 8, "friends: web", DrawFriendsWeb, nullptr},
    {179, 55, 55, 1, "star", nullptr, DrawStar},
    {184, 246, 268, 8, "milky way", DrawMilkyWay, nullptr},
    {185, 155, 22, 1, "banner lumivex", nullptr, DrawBannerLumivex},
    {189, 75, 73, 8, "dove of peace", DrawDove, nullptr},
    {190, 42, 32, 1, "peace sign", nullptr, DrawPeace},
    {192, 100, 100, 8, "random quote", DrawRandomQuote, nullptr},
    {193, 107, 87, 8, "shooting star", DrawShootingStar, nullptr},
    {194, 110, 78, 8, "sleepy moon", DrawSleepyMoon, nullptr},
    {195, 100, 110, 8, "peace rainbow", DrawPeaceRainbow, nullptr},
    {196, 216, 257, 8, "dialog cat", DrawDialogCat, nullptr, DrawDialogCatBlink},
    {197, 216, 257, 8, "dialog cat blink", DrawDialogCatBlink, nullptr, DrawDialogCat},
    {198, 45, 58, 8, "mailbox", DrawMailbox, nullptr},
    {199, 155, 22, 1, "banner good night", nullptr, DrawBannerGoodNight},
    {200, 180, 215, 8, "saturn", DrawSaturn, nullptr},
    {201, 155, 22, 1, "banner dreams", nullptr, DrawBannerSweetDreams},
    {300, 640, 400, 8, "shut-down joke", DrawShutDown, nullptr},
  };
  // clang-format on
  return kList;
}

Rendered Render(const PictureSpec& desc) {
  Rendered out;
  if (desc.bpp == 1) {
    Mono m = desc.mono(desc.w, desc.h);
    out.bmp = EncodeBmp1(m);
    out.preview = Image(m.w, m.h);
    for (int y = 0; y < m.h; ++y)
      for (int x = 0; x < m.w; ++x) std::fill(out.preview.At(x, y), out.preview.At(x, y) + 3, m.At(x, y) ? 255 : 0);
    return out;
  }
  Image img = desc.colour(desc.w, desc.h);
  if (desc.bpp == 24) {
    out.bmp = EncodeBmp24(img);
    out.preview = img;
    return out;
  }
  std::vector<const Image*> basis{&img};
  Image mate;
  if (desc.mate) {
    mate = desc.mate(desc.w, desc.h);
    basis.push_back(&mate);
  }
  Indexed ix = MapToPalette(img, MakePalette(basis, 1 << desc.bpp));
  out.bmp = EncodeBmpIndexed(ix, desc.bpp);
  out.preview = Expand(ix);
  return out;
}

}  // namespace lvx::resgen
