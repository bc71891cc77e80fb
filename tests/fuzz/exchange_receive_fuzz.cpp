// Feeds arbitrary bytes as a received message file through the reading of
// ReceiveMessage: no crash, no sanitizer report, and the book keeps its rules.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "exchange/message_file.h"
#include "messages/quill.h"
#include "settings/ini_file.h"
#include "settings/log_file.h"

namespace {

std::string g_file;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "exchange_receive_fuzz: %s\n", what);
    std::abort();
  }
}

bool Terminated(const char* buffer, std::size_t size) {
  return std::memchr(buffer, '\0', size) != nullptr;
}

void Prepare() {
  std::string home = (std::filesystem::temp_directory_path() / "lumivex-fuzz-XXXXXX").string();
  if (mkdtemp(home.data()) == nullptr) std::abort();
  setenv("LUMIVEX_HOME", home.c_str(), 1);
  setenv("TMPDIR", home.c_str(), 1);
  setenv("LUMIVEX_DISPLAY", "headless", 1);
  g_file = home + "/received.Lumivex";
  LogFile.Init((home + "/lumivex-log.txt").c_str(), "Lumivex.ini");
  // Opened twice: past its first run, slot 1 holds no sample message.
  MainSettings.Init("$CURRENT", "\\Lumivex.ini");
  lvx::ResetSettingsForTests();
  MainSettings.Init("$CURRENT", "\\Lumivex.ini");
  Quill.Index = 0;
  std::strcpy(Quill.Message, "main");
  std::strcpy(Quill.BottomLine, "line");
  Quill.Password[0] = '\0';
  Quill.Write();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool prepared = (Prepare(), true);
  (void)prepared;

  if (std::FILE* f = std::fopen(g_file.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  Quill.Index = 0;
  Quill.Read();
  const int received = ReceiveMessageFile(g_file.c_str());

  Check(Terminated(Quill.Message, sizeof Quill.Message), "message not terminated");
  Check(Terminated(Quill.BottomLine, sizeof Quill.BottomLine), "bottom line not terminated");
  Check(Terminated(Quill.Password, sizeof Quill.Password), "password not terminated");
  if (received) {
    Check(Quill.Index == 1, "received into another slot than the first free one");
    Check(std::strlen(Quill.Message) <= 77, "message not cut");
    Check(std::strlen(Quill.BottomLine) <= 297, "bottom line not cut");
    // Read it back as the sky would, then free the slot for the next input.
    Quill.Read();
    Check(std::strlen(Quill.Message) <= 77, "stored message grew");
    Quill.Clear();
    Quill.Write();
  } else {
    Check(Quill.Index == 0 && std::strcmp(Quill.Message, "main") == 0,
          "failed reception left another slot loaded");
  }
  Check(Quill.IsFree(1) == 1, "the book kept a slot from the input");
  return 0;
}
