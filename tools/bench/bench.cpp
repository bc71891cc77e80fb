// Frame costs of the drawing path: 3000 small sprite blits into a 1920x1080
// window surface plus the present of their dirty rectangles, and a present
// of the whole surface. Headless always; X11 too when DISPLAY is set.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "platform/backend/backend.h"
#include "platform/winapi.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kSprites = 3000;

struct Target {
  std::unique_ptr<lvx::Backend> backend;
  lvx::NativeId window = 0;
  lvx::Surface surface;
  HDC dc = nullptr;

  bool Open(std::unique_ptr<lvx::Backend> b) {
    backend = std::move(b);
    if (!backend) return false;
    lvx::NativeWindowDesc desc;
    desc.className = "LumivexBench";
    desc.title = "Bench";
    desc.style = WS_POPUP | WS_VISIBLE;
    desc.width = kWidth;
    desc.height = kHeight;
    window = backend->CreateWindow(desc);
    if (!window) return false;
    backend->ShowWindow(window, true);
    surface.trackDirty = true;
    surface.Resize(kWidth, kHeight);
    dc = lvx::CreateSurfaceDC(&surface);
    return dc != nullptr;
  }
  // A round trip, so a frame's time includes the display's own work.
  void Finish() {
    int ignored = 0;
    backend->GetScreenSaverTimeout(&ignored);
    std::vector<lvx::NativeEvent> events;
    backend->PollEvents(events);
  }
  ~Target() {
    if (dc) lvx::DestroySurfaceDC(dc);
    if (backend && window) backend->DestroyWindow(window);
  }
};

std::unique_ptr<lvx::Backend> MakeBackend(bool x11) {
  return x11 ? lvx::MakeX11Backend() : lvx::MakeHeadlessBackend();
}

void SpriteFrame(benchmark::State& state, bool x11) {
  Target t;
  if (!t.Open(MakeBackend(x11))) {
    state.SkipWithError("display unavailable");
    return;
  }
  // Seven sprites of 1x1 to 7x7 pixels side by side in one memory bitmap.
  HDC mem = CreateCompatibleDC(t.dc);
  HBITMAP sheet = CreateCompatibleBitmap(t.dc, 28, 7);
  HGDIOBJ old = SelectObject(mem, sheet);
  for (int x = 0; x < 28; ++x)
    for (int y = 0; y < 7; ++y) SetPixel(mem, x, y, RGB(40 + 7 * x, 40 + 7 * x, 255));
  struct Sprite {
    int x, y, size, sheetX;
  };
  std::mt19937 rng(2005);
  std::vector<Sprite> sprites(kSprites);
  int sheetX[8] = {0, 0, 1, 3, 6, 10, 15, 21};
  for (Sprite& s : sprites) {
    s.size = 1 + static_cast<int>(rng() % 7);
    s.x = static_cast<int>(rng() % (kWidth - 7));
    s.y = static_cast<int>(rng() % (kHeight - 7));
    s.sheetX = sheetX[s.size];
  }
  t.backend->Present(t.window, t.surface, true);
  t.Finish();
  int frame = 0;
  for (auto _ : state) {
    ++frame;
    for (Sprite& s : sprites) {
      // Stars drift a pixel now and then, as the sky's do.
      if ((frame + s.x) % 5 == 0) s.x = s.x >= kWidth - 8 ? 0 : s.x + 1;
      BitBlt(t.dc, s.x, s.y, s.size, s.size, mem, s.sheetX, 0, SRCCOPY);
    }
    t.backend->Present(t.window, t.surface, false);
    t.Finish();
  }
  state.counters["blits_per_frame"] = kSprites;
  SelectObject(mem, old);
  DeleteObject(sheet);
  DeleteDC(mem);
}

void FullPresent(benchmark::State& state, bool x11) {
  Target t;
  if (!t.Open(MakeBackend(x11))) {
    state.SkipWithError("display unavailable");
    return;
  }
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      t.surface.Row(y)[x] = static_cast<std::uint32_t>(x * 7 + y * 3);
  for (auto _ : state) {
    t.backend->Present(t.window, t.surface, true);
    t.Finish();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kWidth) * kHeight * 4);
}

void BM_SpriteFrameHeadless(benchmark::State& s) { SpriteFrame(s, false); }
void BM_FullPresentHeadless(benchmark::State& s) { FullPresent(s, false); }
void BM_SpriteFrameX11(benchmark::State& s) { SpriteFrame(s, true); }
void BM_FullPresentX11(benchmark::State& s) { FullPresent(s, true); }

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("SpriteFrame/headless", BM_SpriteFrameHeadless)
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("FullPresent/headless", BM_FullPresentHeadless)
      ->Unit(benchmark::kMicrosecond);
  const char* display = std::getenv("DISPLAY");
  if (display && *display) {
    benchmark::RegisterBenchmark("SpriteFrame/x11", BM_SpriteFrameX11)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("FullPresent/x11", BM_FullPresentX11)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
