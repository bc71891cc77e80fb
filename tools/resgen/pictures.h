// The list of bitmap resources and the drawing of each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/resgen/encode.h"
#include "tools/resgen/raster.h"

namespace lvx::resgen {

struct PictureSpec {
  int id;
  int w, h;
  int bpp;           // 1, 4, 8 or 24
  const char* role;  // short, for the contact sheet and the README
  Image (*colour)(int w, int h);  // for 4, 8 and 24 bits
  Mono (*mono)(int w, int h);     // for 1 bit
  // The other frame of a blink pair: both frames share one palette.
  Image (*mate)(int w, int h) = nullptr;
};

const std::vector<PictureSpec>& Pictures();

struct Rendered {
  std::vector<std::uint8_t> bmp;  // the file
  Image preview;                  // what the file shows, in RGB
};
Rendered Render(const PictureSpec& desc);

// Every drawing, grouped by source file.
// symbols.cpp (1 bit)
Mono DrawHeart(int w, int h);
Mono DrawHappyFace(int w, int h);
Mono DrawPeace(int w, int h);
Mono DrawStar(int w, int h);
Mono DrawBannerLumivex(int w, int h);
Mono DrawBannerGoodNight(int w, int h);
Mono DrawBannerSweetDreams(int w, int h);
// moon.cpp
Image DrawMoon(int w, int h);
// categories.cpp (sprites for the flying picture, on black)
Image DrawFlower(int w, int h);
Image DrawUfo(int w, int h);
Image DrawStork(int w, int h);
Image DrawLoveHearts(int w, int h);
Image DrawLoveArrow(int w, int h);
Image DrawOwl(int w, int h);
Image DrawQuoteQuill(int w, int h);
Image DrawQuoteChat(int w, int h);
Image DrawQuoteMarks(int w, int h);
Image DrawKeepAway(int w, int h);
Image DrawNoSmoking(int w, int h);
Image DrawYourPicture(int w, int h);
Image DrawJustSky(int w, int h);
Image DrawCake(int w, int h);
Image DrawGhost(int w, int h);
Image DrawWitch(int w, int h);
Image DrawTravel(int w, int h);
Image DrawDove(int w, int h);
Image DrawGlobePeace(int w, int h);
Image DrawPeaceRainbow(int w, int h);
Image DrawRandomQuote(int w, int h);
Image DrawReachStars(int w, int h);
// pages.cpp (configuration dialog pictures)
Image DrawDialogOwl(int w, int h);
Image DrawDialogOwlBlink(int w, int h);
Image DrawDialogCat(int w, int h);
Image DrawDialogCatBlink(int w, int h);
Image DrawFriendsStars(int w, int h);
Image DrawFriendsWeb(int w, int h);
Image DrawIdeaBulb(int w, int h);
Image DrawWisdomScroll(int w, int h);
Image DrawLaughingMoon(int w, int h);
Image DrawAboutLogo(int w, int h);
Image DrawAboutUpdate(int w, int h);
Image DrawAboutContact(int w, int h);
Image DrawAboutGoodbye(int w, int h);
Image DrawTelescope(int w, int h);
Image DrawHouseAtNight(int w, int h);
Image DrawAlarmClock(int w, int h);
Image DrawEnvelope(int w, int h);
Image DrawAirplaneNight(int w, int h);
Image DrawCuckooClock(int w, int h);
Image DrawSeaMusic(int w, int h);
Image DrawMilkyWay(int w, int h);
Image DrawShootingStar(int w, int h);
Image DrawSleepyMoon(int w, int h);
Image DrawMailbox(int w, int h);
Image DrawSaturn(int w, int h);
// shutdown.cpp (our own addition to the list: the shut-down joke)
Image DrawShutDown(int w, int h);

}  // namespace lvx::resgen
