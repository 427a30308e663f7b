#include "platform/win32/animated_picture.h"

#include <objbase.h>

#include <algorithm>
#include <optional>

#include "platform/gif_frames.h"

namespace kq::platform {

namespace {

constexpr DWORD kStopWaitMs = 5000;
constexpr wchar_t kPictureProperty[] = L"kqcsp.AnimatedPicture";
constexpr int kHimetricPerInch = 2540;

template <typename Function>
bool Resolve(const DynamicLibrary& library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(library.Symbol(name));
  return out != nullptr;
}

}  // namespace

bool AnimatedPicture::Loader::Load() {
  if (loadPicture != nullptr) {
    return true;
  }
  ole32 = DynamicLibrary::Load("ole32.dll");
  oleaut32 = DynamicLibrary::Load("oleaut32.dll");
  return Resolve(ole32, "CoInitializeEx", initialise) &&
         Resolve(ole32, "CoUninitialize", uninitialise) &&
         Resolve(ole32, "CreateStreamOnHGlobal", streamOnGlobal) &&
         Resolve(oleaut32, "OleLoadPicture", loadPicture);
}

// Decodes one picture with the platform's loader, from a movable zero-initialised global block.
// COM is set up for the loader when the calling thread has not done so; a thread that has keeps
// its own apartment.
IPicture* AnimatedPicture::Decode(std::span<const uint8_t> bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
  if (block == nullptr) {
    return nullptr;
  }
  void* data = GlobalLock(block);
  if (data == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  CopyMemory(data, bytes.data(), bytes.size());
  GlobalUnlock(block);
  IStream* stream = nullptr;
  // The stream owns the block from here and frees it when released.
  if (FAILED(loader_.streamOnGlobal(block, TRUE, &stream))) {
    GlobalFree(block);
    return nullptr;
  }
  const HRESULT com = loader_.initialise(nullptr, COINIT_APARTMENTTHREADED);
  IPicture* picture = nullptr;
  const HRESULT loaded = loader_.loadPicture(stream, static_cast<LONG>(bytes.size()), FALSE,
                                             IID_IPicture, reinterpret_cast<void**>(&picture));
  stream->Release();
  if (SUCCEEDED(com)) {
    loader_.uninitialise();
  }
  return SUCCEEDED(loaded) ? picture : nullptr;
}

namespace {

// A picture's size in pixels of the display.
SIZE PixelSize(IPicture* picture) {
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  picture->get_Width(&width);
  picture->get_Height(&height);
  HDC screen = GetDC(nullptr);
  const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return {MulDiv(width, dpiX, kHimetricPerInch), MulDiv(height, dpiY, kHimetricPerInch)};
}

COLORREF ColourRef(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

}  // namespace

AnimatedPicture::~AnimatedPicture() {
  Stop();
  if (control_ != nullptr && IsWindow(control_) != FALSE) {
    SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProcedure_));
    RemovePropW(control_, kPictureProperty);
  }
}

bool AnimatedPicture::Attach(HWND control) {
  if (control == nullptr || SetPropW(control, kPictureProperty, this) == FALSE) {
    return false;
  }
  controlProcedure_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PaintControl)));
  control_ = control;
  return true;
}

bool AnimatedPicture::LoadFromResource(HMODULE module, int resourceId) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), L"GIF");
  HGLOBAL resource = found != nullptr ? LoadResource(module, found) : nullptr;
  const void* data = resource != nullptr ? LockResource(resource) : nullptr;
  if (data == nullptr) {
    return false;
  }
  return LoadFromMemory({static_cast<const uint8_t*>(data), SizeofResource(module, found)});
}

bool AnimatedPicture::LoadFromMemory(std::span<const uint8_t> bytes) {
  Stop();
  if (!loader_.Load()) {
    return false;
  }
  if (!IsGif(bytes)) {
    // Another kind of picture: decoded once and shown still.
    Frame still;
    still.picture.reset(Decode(bytes));
    if (!still.picture) {
      return false;
    }
    const SIZE size = PixelSize(still.picture.get());
    still.width = width_ = size.cx;
    still.height = height_ = size.cy;
    frames_.push_back(std::move(still));
    return MakeCanvas();
  }
  const std::optional<GifAnimation> animation = CutGifFrames(bytes);
  if (!animation) {
    return false;
  }
  width_ = animation->width;
  height_ = animation->height;
  background_ = ColourRef(animation->backgroundRgb);
  for (const GifFrame& cut : animation->frames) {
    Frame frame;
    frame.picture.reset(Decode(cut.file));
    if (!frame.picture) {
      Unload();
      return false;
    }
    const bool whole = animation->frames.size() == 1;
    frame.x = whole ? 0 : cut.x;
    frame.y = whole ? 0 : cut.y;
    frame.width = whole ? width_ : cut.width;
    frame.height = whole ? height_ : cut.height;
    frame.delayMs = GifFrameDelayMs(cut);
    frame.disposal = cut.disposal;
    frames_.push_back(std::move(frame));
  }
  return MakeCanvas();
}

bool AnimatedPicture::MakeCanvas() {
  if (width_ <= 0 || height_ <= 0) {
    Unload();
    return false;
  }
  HDC screen = GetDC(control_);
  canvas_ = CreateCompatibleDC(screen);
  canvasBitmap_ = CreateCompatibleBitmap(screen, width_, height_);
  saved_ = CreateCompatibleDC(screen);
  savedBitmap_ = CreateCompatibleBitmap(screen, width_, height_);
  ReleaseDC(control_, screen);
  if (canvas_ == nullptr || canvasBitmap_ == nullptr || saved_ == nullptr ||
      savedBitmap_ == nullptr) {
    Unload();
    return false;
  }
  canvasOld_ = SelectObject(canvas_, canvasBitmap_);
  savedOld_ = SelectObject(saved_, savedBitmap_);
  const RECT whole{0, 0, width_, height_};
  FillBackground(whole);
  if (control_ != nullptr) {
    // A control smaller than the picture grows to it; a larger one shows it centred.
    RECT area{};
    GetClientRect(control_, &area);
    if (area.right < width_ || area.bottom < height_) {
      SetWindowPos(control_, nullptr, 0, 0, std::max<int>(area.right, width_),
                   std::max<int>(area.bottom, height_), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  return true;
}

bool AnimatedPicture::Draw() {
  if (frames_.empty() || canvas_ == nullptr) {
    return false;
  }
  if (frames_.size() == 1) {
    {
      const std::lock_guard<std::mutex> lock(canvasLock_);
      RenderFrame(frames_.front());
    }
    InvalidateRect(control_, nullptr, FALSE);
    return true;
  }
  if (thread_ != nullptr) {
    return true;
  }
  exit_ = false;
  stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stopEvent_ == nullptr) {
    return false;
  }
  thread_ = CreateThread(nullptr, 0, AnimationThread, this, CREATE_SUSPENDED, nullptr);
  if (thread_ == nullptr) {
    CloseHandle(stopEvent_);
    stopEvent_ = nullptr;
    return false;
  }
  ResumeThread(thread_);
  return true;
}

DWORD WINAPI AnimatedPicture::AnimationThread(void* self) {
  static_cast<AnimatedPicture*>(self)->Animate();
  return 0;
}

void AnimatedPicture::Animate() {
  while (!exit_) {
    for (const Frame& frame : frames_) {
      if (exit_) {
        return;
      }
      const RECT area{frame.x, frame.y, frame.x + frame.width, frame.y + frame.height};
      {
        const std::lock_guard<std::mutex> lock(canvasLock_);
        if (frame.disposal == kGifDisposeToPrevious) {
          BitBlt(saved_, area.left, area.top, frame.width, frame.height, canvas_, area.left,
                 area.top, SRCCOPY);
        }
        RenderFrame(frame);
      }
      InvalidateRect(control_, nullptr, FALSE);
      WaitForSingleObject(stopEvent_, frame.delayMs);
      if (exit_) {
        return;
      }
      const std::lock_guard<std::mutex> lock(canvasLock_);
      if (frame.disposal == kGifDisposeToBackground) {
        FillBackground(area);
      } else if (frame.disposal == kGifDisposeToPrevious) {
        BitBlt(canvas_, area.left, area.top, frame.width, frame.height, saved_, area.left, area.top,
               SRCCOPY);
      }
    }
    const std::lock_guard<std::mutex> lock(canvasLock_);
    FillBackground(RECT{0, 0, width_, height_});
  }
}

void AnimatedPicture::RenderFrame(const Frame& frame) {
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  frame.picture->get_Width(&width);
  frame.picture->get_Height(&height);
  frame.picture->Render(canvas_, frame.x, frame.y, frame.width, frame.height, 0, height, width,
                        -height, nullptr);
}

void AnimatedPicture::FillBackground(const RECT& area) {
  HBRUSH brush = CreateSolidBrush(background_);
  FillRect(canvas_, &area, brush);
  DeleteObject(brush);
}

void AnimatedPicture::Paint(HDC target) {
  RECT area{};
  GetClientRect(control_, &area);
  FillRect(target, &area, GetSysColorBrush(COLOR_BTNFACE));
  const std::lock_guard<std::mutex> lock(canvasLock_);
  if (canvas_ != nullptr) {
    BitBlt(target, (area.right - width_) / 2, (area.bottom - height_) / 2, width_, height_, canvas_,
           0, 0, SRCCOPY);
  }
}

LRESULT CALLBACK AnimatedPicture::PaintControl(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
  auto* self = static_cast<AnimatedPicture*>(GetPropW(window, kPictureProperty));
  if (self == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  switch (message) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC target = BeginPaint(window, &paint);
      self->Paint(target);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_NCDESTROY: {
      // The control goes before the picture object: give it back its own procedure.
      const WNDPROC own = self->controlProcedure_;
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
      RemovePropW(window, kPictureProperty);
      self->control_ = nullptr;
      return CallWindowProcW(own, window, message, wParam, lParam);
    }
    default:
      return CallWindowProcW(self->controlProcedure_, window, message, wParam, lParam);
  }
}

void AnimatedPicture::Stop() {
  if (thread_ != nullptr) {
    exit_ = true;
    SetEvent(stopEvent_);
    // Waits for the thread's end, however long it takes: it draws with the frames, the canvas,
    // this object and the loader's code, so nothing of them may go while it runs. It never waits
    // for the dialog's thread (InvalidateRect only marks; the canvas lock is held briefly by
    // Paint, never here), so it ends at its next check of exit_; the limit of old only decides
    // when a late end is reported.
    if (WaitForSingleObject(thread_, kStopWaitMs) == WAIT_TIMEOUT) {
      OutputDebugStringW(L"kqcsp: the animation thread is late to stop; waiting for it\n");
      WaitForSingleObject(thread_, INFINITE);
    }
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  if (stopEvent_ != nullptr) {
    CloseHandle(stopEvent_);
    stopEvent_ = nullptr;
  }
  Unload();
}

void AnimatedPicture::Unload() {
  const std::lock_guard<std::mutex> lock(canvasLock_);
  frames_.clear();
  if (canvas_ != nullptr) {
    SelectObject(canvas_, canvasOld_);
    DeleteDC(canvas_);
    canvas_ = nullptr;
  }
  if (saved_ != nullptr) {
    SelectObject(saved_, savedOld_);
    DeleteDC(saved_);
    saved_ = nullptr;
  }
  if (canvasBitmap_ != nullptr) {
    DeleteObject(canvasBitmap_);
    canvasBitmap_ = nullptr;
  }
  if (savedBitmap_ != nullptr) {
    DeleteObject(savedBitmap_);
    savedBitmap_ = nullptr;
  }
  width_ = 0;
  height_ = 0;
  background_ = RGB(255, 255, 255);
}

}  // namespace kq::platform
