#pragma once
// The animated picture of the confirmation dialogs: a static control that plays a GIF. Each
// frame is cut out of the file (platform/gif_frames.h) and decoded on its own by OleLoadPicture;
// an animation thread draws the frames into an off-screen bitmap, which the control paints. A file
// of one image is drawn once, without a thread. A picture that cannot be found or decoded leaves
// the control empty, and the dialog works without it.
//
// The picture loader (ole32, oleaut32) is loaded while a picture lives, not imported: a library
// that the provider imports is unloaded with it, and when CryptoAPI frees the provider after a
// failed call, that clean-up would overwrite the error the caller is about to read.

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/dynamic_library.h"

namespace kq::platform {

class AnimatedPicture {
 public:
  AnimatedPicture() = default;
  AnimatedPicture(const AnimatedPicture&) = delete;
  AnimatedPicture& operator=(const AnimatedPicture&) = delete;
  ~AnimatedPicture();

  // Takes over the painting of a static control of a dialog.
  bool Attach(HWND control);
  // Loads the resource of type "GIF" from a module, or a picture from memory; false leaves
  // nothing loaded.
  bool LoadFromResource(HMODULE module, int resourceId);
  bool LoadFromMemory(std::span<const uint8_t> bytes);
  // Starts the animation (several frames) or draws the still picture; false when nothing is
  // loaded.
  bool Draw();
  // Stops the animation thread, waiting for its end (reported after 5000 ms), then releases
  // every frame.
  void Stop();

 private:
  struct PictureRelease {
    void operator()(IPicture* picture) const { picture->Release(); }
  };
  struct Frame {
    std::unique_ptr<IPicture, PictureRelease> picture;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    uint32_t delayMs = 100;
    uint8_t disposal = 0;
  };

  // The picture loader's functions, from the libraries below.
  struct Loader {
    DynamicLibrary ole32;
    DynamicLibrary oleaut32;
    HRESULT(WINAPI* initialise)(void* reserved, DWORD model) = nullptr;
    void(WINAPI* uninitialise)() = nullptr;
    HRESULT(WINAPI* streamOnGlobal)(HGLOBAL block, BOOL release, IStream** stream) = nullptr;
    HRESULT(WINAPI* loadPicture)
    (IStream* stream, LONG size, BOOL keep, REFIID iid, void** picture) = nullptr;
    bool Load();
  };

  static LRESULT CALLBACK PaintControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static DWORD WINAPI AnimationThread(void* self);

  void Animate();
  bool MakeCanvas();
  void RenderFrame(const Frame& frame);
  void FillBackground(const RECT& area);
  void Paint(HDC target);
  void Unload();
  IPicture* Decode(std::span<const uint8_t> bytes);

  // Declared first: the frames' code lives in the loader's libraries.
  Loader loader_;
  HWND control_ = nullptr;
  WNDPROC controlProcedure_ = nullptr;
  std::vector<Frame> frames_;
  int width_ = 0;
  int height_ = 0;
  COLORREF background_ = RGB(255, 255, 255);

  // The off-screen picture that the control paints and the animation thread draws into, and
  // the area saved under a frame that is to be put back; the mutex guards both.
  std::mutex canvasLock_;
  HDC canvas_ = nullptr;
  HBITMAP canvasBitmap_ = nullptr;
  HGDIOBJ canvasOld_ = nullptr;
  HDC saved_ = nullptr;
  HBITMAP savedBitmap_ = nullptr;
  HGDIOBJ savedOld_ = nullptr;

  HANDLE thread_ = nullptr;
  HANDLE stopEvent_ = nullptr;
  std::atomic<bool> exit_{false};
};

}  // namespace kq::platform
