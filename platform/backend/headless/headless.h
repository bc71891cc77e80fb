// Internal to platform/: the display without X. Windows are surfaces in
// memory, the pointer is a virtual position, and tests drive the input.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backend/backend.h"

namespace lvx {

class HeadlessBackend : public Backend {
 public:
  HeadlessBackend();
  ~HeadlessBackend() override;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  const char* Name() const override { return "headless"; }
  SIZE ScreenSize() override { return screen_; }
  NativeId CreateWindow(const NativeWindowDesc& desc) override;
  void DestroyWindow(NativeId id) override;
  void ShowWindow(NativeId id, bool show) override;
  void MoveWindow(NativeId id, int x, int y, int width, int height) override;
  void SetTitle(NativeId id, const std::string& title) override;
  void Raise(NativeId id) override;
  bool IsForeignWindow(NativeId id) override;
  bool ForeignClientSize(NativeId id, SIZE* size) override;
  NativeId FindForeignWindow(const std::string& className, const std::string& title) override;
  void Present(NativeId id, Surface& surface, bool all) override;
  void PresentArea(NativeId id, Surface& surface, const RECT& area) override;
  int EventFd() override { return eventFd_; }
  void PollEvents(std::vector<NativeEvent>& out) override;
  POINT CursorPos() override;
  void SetCursorPos(int x, int y) override;
  void SetCursorVisible(NativeId id, bool visible) override;
  bool GetScreenSaverTimeout(int* seconds) override;
  bool SetScreenSaverTimeout(int seconds) override;

  // ---- Test hooks ----
  // Queues a display event as if it came from the screen (any thread). A
  // mouse message also puts the virtual pointer where it happened.
  void Inject(const NativeEvent& event);
  // Moves the virtual pointer like a hand on the mouse would: the window
  // under it receives WM_MOUSEMOVE with client coordinates.
  void MovePointer(int x, int y);
  // A live window of "another program" (a preview parent); returns its id.
  NativeId AddForeignWindow(int width, int height);
  void RemoveForeignWindow(NativeId id);

  struct PresentStats {
    int presents = 0;      // every call
    int fullPresents = 0;  // of those, whole-window ones
    long pixels = 0;       // area pushed in total
    std::vector<RECT> lastRegions;
  };
  // Present statistics of a window (copied: only for tests).
  PresentStats Stats(NativeId id) const;
  bool IsShown(NativeId id) const;
  bool CursorVisible(NativeId id) const;
  std::string Title(NativeId id) const;
  NativeId LastRaised() const;

 private:
  struct Win {
    NativeWindowDesc desc;
    bool shown = false;
    bool cursorVisible = true;
    PresentStats stats;
  };
  POINT ScreenOrigin(NativeId id) const;  // caller holds mu_
  void MovePointerLocked(int x, int y);

  mutable std::mutex mu_;
  SIZE screen_{1024, 768};
  int eventFd_ = -1;
  NativeId nextId_ = 1;
  std::map<NativeId, Win> windows_;
  std::map<NativeId, SIZE> foreign_;
  std::vector<NativeEvent> pending_;
  POINT pointer_{};
  NativeId lastRaised_ = 0;
  int timeoutSeconds_ = 600;
};

// The current display as the headless one; nullptr when it is another.
HeadlessBackend* CurrentHeadless();

}  // namespace lvx
