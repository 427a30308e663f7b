#pragma once
// The frames of an animated GIF, cut apart so that a picture loader that decodes only the first
// image of a file can decode each of them: every frame becomes a one-image GIF of its own, with
// the logical screen of its own size and the image at its origin, and keeps its position, size,
// delay and disposal method here. The confirmation dialogs play their picture this way.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kq::platform {

// What happens to a frame's rectangle when its delay is over.
inline constexpr uint8_t kGifDisposeToBackground = 2;
inline constexpr uint8_t kGifDisposeToPrevious = 3;

struct GifFrame {
  uint16_t x = 0;
  uint16_t y = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t delayCs = 0;  // hundredths of a second, as the file gives it
  uint8_t disposal = 0;
  std::vector<uint8_t> file{};  // the frame as a one-image GIF
};

struct GifAnimation {
  uint16_t width = 0;  // the logical screen
  uint16_t height = 0;
  uint32_t backgroundRgb = 0xFFFFFF;  // 0xRRGGBB; white without a global colour table
  // Several frames in order; a file of one image is one frame holding the whole file.
  std::vector<GifFrame> frames;
};

// True when the bytes begin with the signature GIF87a or GIF89a.
bool IsGif(std::span<const uint8_t> bytes);

// The frames of a GIF file; nullopt when it is not one, or is cut short or malformed.
std::optional<GifAnimation> CutGifFrames(std::span<const uint8_t> bytes);

// How long a frame stays: its delay when it is 5 hundredths or more, else 100 ms.
inline uint32_t GifFrameDelayMs(const GifFrame& frame) {
  return frame.delayCs >= 5 ? frame.delayCs * 10u : 100u;
}

}  // namespace kq::platform
