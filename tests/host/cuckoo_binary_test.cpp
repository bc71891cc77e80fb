// The real program across a full hour, its clock moved by libfaketime: the
// cuckoo calls on the hour and says so in the program's log.
#include <gtest/gtest.h>

#include <string>

#include "platform/winapi.h"
#include "settings/log_file.h"
#include "tests/support/process.h"
#include "tests/support/test_support.h"

namespace {

void SetIni(const char* section, const char* key, const char* value) {
  WritePrivateProfileStringA(section, key, value, (lvx::ConfigFolder() + "/Lumivex.ini").c_str());
}

}  // namespace

TEST(CuckooBinary, CallsOnTheFullHourUnderAMovedClock) {
  const std::string library = lvx::test::FakeTimeLibrary();
  if (library.empty()) GTEST_SKIP() << "libfaketime is not installed";
  lvx::test::WriteFile(lvx::LogFilePath(), "");  // the program logs every entry
  SetIni("Sound", "Cuckoo", "1");
  SetIni("params", "TickTime", "20");
  SetIni("Params", "SwitchOffTV", "0");
  SetIni("params", "FirstTime", "0");
  SetIni("params", "Jokes", "0");  // a close that waits for no joke

  // Twelve seconds before seven in the morning (time enough for a slow start);
  // the clock runs on from there. The library is preloaded straight into the
  // saver so that SIGTERM reaches it and not a wrapper.
  lvx::test::Child saver =
      lvx::test::Spawn({"lumivex", "/s"}, {{"LD_PRELOAD", library},
                                           {"FAKETIME", "@2024-03-05 06:59:48"},
                                           {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
                                           {"TZ", "UTC"},
                                           {"SDL_AUDIODRIVER", "dummy"},
                                           {"ASAN_OPTIONS", "verify_asan_link_order=0"}});
  std::string log;
  for (int i = 0; i < 450 && log.find("Cuckoo=") == std::string::npos; ++i) {
    lvx::test::SleepMs(100);
    log = lvx::test::ReadFile(lvx::LogFilePath());
  }
  EXPECT_EQ(saver.Terminate(), 0);
  EXPECT_NE(log.find("INFO>Cuckoo= 143"), std::string::npos) << log;
  EXPECT_EQ(log.find("Cuckoo= 110"), std::string::npos);
}
