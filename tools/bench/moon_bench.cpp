// Cost of the moon's phase: CalcPhase runs once each time a scene is built,
// so its figure is compared with one frame of the sky. A plain program; prints
// the time per call for instants inside the full-moon table and outside it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "moon/phase.h"
#include "settings/log_file.h"

namespace {

using Clock = std::chrono::steady_clock;

std::time_t Utc(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  return timegm(&t);
}

// Microseconds per CalcPhaseAt over `calls` instants spread evenly from `from` to `to`.
double PhaseMicroseconds(std::time_t from, std::time_t to, int calls, long* checksum) {
  const std::time_t step = (to - from) / calls;
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i) *checksum += CalcPhaseAt(from + i * step);
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / calls;
}

}  // namespace

int main() {
  // The log as the saver has it at run time: open, silent until an error.
  char home[] = "/tmp/lumivex-moon-bench-XXXXXX";
  if (mkdtemp(home) == nullptr) return 1;
  setenv("LUMIVEX_HOME", home, 1);
  setenv("LUMIVEX_DISPLAY", "headless", 1);
  LogFile.Init("C:\\lumivex-log.txt", "Lumivex.ini");

  constexpr int kCalls = 20000;
  long checksum = 0;
  PhaseMicroseconds(Utc(2026, 1, 1), Utc(2027, 1, 1), 1000, &checksum);  // warm up
  const double table = PhaseMicroseconds(Utc(2002, 2, 1), Utc(2014, 12, 1), kCalls, &checksum);
  const double computed = PhaseMicroseconds(Utc(1900, 1, 1), Utc(2100, 1, 1), kCalls, &checksum);
  const double present = PhaseMicroseconds(Utc(2026, 1, 1), Utc(2027, 1, 1), kCalls, &checksum);

  constexpr int kYears = 201;
  std::size_t moons = 0;
  auto start = Clock::now();
  for (int year = 1900; year < 1900 + kYears; ++year) moons += FullMoonsOfYear(year).size();
  const double perYear =
      std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kYears;

  std::printf("CalcPhase, %d calls each (checksum %ld):\n", kCalls, checksum);
  std::printf("  inside the table (2002-2014)   %8.2f us per call\n", table);
  std::printf("  computed (1900-2100)           %8.2f us per call\n", computed);
  std::printf("  this year's instants (2026)    %8.2f us per call\n", present);
  std::printf("FullMoonsOfYear 1900-2100: %zu full moons, %.2f us per year\n", moons, perYear);
  return 0;
}
