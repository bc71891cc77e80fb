// The program's entry: the command tail goes to the saver's own entry point.
#include <clocale>
#include <string>

#include "host/saver_host.h"
#include "platform/winapi.h"

int main(int argc, char** argv) {
  lvx::SetProcessArguments(argc, argv);
  // Day and month names of the clock in the user's language. Only the time
  // category: numbers in the settings must keep their decimal point.
  std::setlocale(LC_TIME, "");
  const char* tail = CommandTail(GetCommandLineA());
  // SaverMain takes a writable tail, as the platform's entry point hands it.
  std::string writable(tail);
  return SaverMain(GetModuleHandleA(nullptr), nullptr, writable.data(), SW_SHOWNORMAL);
}
