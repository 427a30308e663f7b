#include "platform/gif_frames.h"

#include <string_view>

#include "common/byte_reader.h"

namespace kq::platform {

namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr size_t kScreenDescriptorSize = 7;

bool ReadLe16(ByteReader& reader, uint16_t& out) {
  uint8_t low = 0;
  uint8_t high = 0;
  if (!reader.u8(low) || !reader.u8(high)) {
    return false;
  }
  out = static_cast<uint16_t>(low | (high << 8));
  return true;
}

void AppendLe16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

// The size of a colour table that a packed field announces (bit 7 set), else 0.
size_t ColourTableSize(uint8_t packed) {
  return (packed & 0x80) != 0 ? 3u * (size_t{2} << (packed & 0x07)) : 0u;
}

// Skips a chain of data sub-blocks up to and including its empty terminator.
bool SkipSubBlocks(ByteReader& reader) {
  for (;;) {
    uint8_t size = 0;
    if (!reader.u8(size)) {
      return false;
    }
    if (size == 0) {
      return true;
    }
    if (!reader.skip(size)) {
      return false;
    }
  }
}

}  // namespace

bool IsGif(std::span<const uint8_t> bytes) {
  if (bytes.size() < 6) {
    return false;
  }
  const std::string_view signature(reinterpret_cast<const char*>(bytes.data()), 6);
  return signature == "GIF87a" || signature == "GIF89a";
}

std::optional<GifAnimation> CutGifFrames(std::span<const uint8_t> bytes) {
  if (!IsGif(bytes)) {
    return std::nullopt;
  }
  ByteReader reader(bytes);
  std::span<const uint8_t> screen;
  std::span<const uint8_t> globalTable;
  if (!reader.skip(6) || !reader.take(kScreenDescriptorSize, screen)) {
    return std::nullopt;
  }
  GifAnimation animation;
  animation.width = static_cast<uint16_t>(screen[0] | (screen[1] << 8));
  animation.height = static_cast<uint16_t>(screen[2] | (screen[3] << 8));
  const uint8_t screenPacked = screen[4];
  const uint8_t backgroundIndex = screen[5];
  if (!reader.take(ColourTableSize(screenPacked), globalTable)) {
    return std::nullopt;
  }
  if (!globalTable.empty() && size_t{backgroundIndex} * 3 + 2 < globalTable.size()) {
    const size_t at = size_t{backgroundIndex} * 3;
    animation.backgroundRgb = (uint32_t{globalTable[at]} << 16) |
                              (uint32_t{globalTable[at + 1]} << 8) | globalTable[at + 2];
  }

  // The graphic control extension that precedes the next image, kept whole for its frame.
  std::span<const uint8_t> control;
  for (;;) {
    uint8_t introducer = 0;
    if (!reader.u8(introducer)) {
      return std::nullopt;
    }
    if (introducer == kTrailer) {
      break;
    }
    if (introducer == kExtensionIntroducer) {
      const size_t start = reader.position() - 1;
      uint8_t label = 0;
      if (!reader.u8(label) || !SkipSubBlocks(reader)) {
        return std::nullopt;
      }
      if (label == kGraphicControlLabel) {
        control = bytes.subspan(start, reader.position() - start);
      }
      continue;
    }
    if (introducer != kImageSeparator) {
      return std::nullopt;
    }
    GifFrame frame;
    uint8_t packed = 0;
    if (!ReadLe16(reader, frame.x) || !ReadLe16(reader, frame.y) ||
        !ReadLe16(reader, frame.width) || !ReadLe16(reader, frame.height) || !reader.u8(packed)) {
      return std::nullopt;
    }
    const size_t imageData = reader.position();
    uint8_t minimumCodeSize = 0;
    if (!reader.skip(ColourTableSize(packed)) || !reader.u8(minimumCodeSize) ||
        !SkipSubBlocks(reader)) {
      return std::nullopt;
    }
    // A control block is 8 bytes: 21 F9 04, packed fields, delay (little-endian), index, 00.
    if (control.size() >= 6 && control[2] >= 3) {
      frame.disposal = static_cast<uint8_t>((control[3] >> 2) & 0x07);
      frame.delayCs = static_cast<uint16_t>(control[4] | (control[5] << 8));
    }

    std::vector<uint8_t>& file = frame.file;
    const std::string_view signature = "GIF89a";
    file.assign(signature.begin(), signature.end());
    AppendLe16(file, frame.width);
    AppendLe16(file, frame.height);
    file.insert(file.end(), screen.begin() + 4, screen.end());
    file.insert(file.end(), globalTable.begin(), globalTable.end());
    file.insert(file.end(), control.begin(), control.end());
    file.push_back(kImageSeparator);
    AppendLe16(file, 0);
    AppendLe16(file, 0);
    AppendLe16(file, frame.width);
    AppendLe16(file, frame.height);
    file.push_back(packed);
    const std::span<const uint8_t> image = bytes.subspan(imageData, reader.position() - imageData);
    file.insert(file.end(), image.begin(), image.end());
    file.push_back(kTrailer);
    animation.frames.push_back(std::move(frame));
    control = {};
  }
  if (animation.frames.empty()) {
    return std::nullopt;
  }
  if (animation.frames.size() == 1) {
    animation.frames.front().file.assign(bytes.begin(), bytes.end());
  }
  return animation;
}

}  // namespace kq::platform
