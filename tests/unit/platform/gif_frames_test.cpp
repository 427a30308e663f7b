// Cutting the confirmation dialogs' animation into one-image GIFs: the frames of the committed
// picture, a file of one image, and every cut-short copy of the picture, read from an exactly
// sized buffer so that the sanitizers catch any read past its end.
#include "platform/gif_frames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "support/exact_buffer.h"

namespace kq::platform {
namespace {

std::vector<uint8_t> ConfirmationPicture() {
  std::ifstream in(KQ_TEST_SOURCE_DIR "/src/platform/win32/resources/confirm_on_key.gif",
                   std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GifFrames, CutsTheConfirmationPictureIntoItsFourFrames) {
  const std::vector<uint8_t> file = ConfirmationPicture();
  const std::optional<GifAnimation> animation = CutGifFrames(file);
  ASSERT_TRUE(animation);
  EXPECT_EQ(animation->width, 134);
  EXPECT_EQ(animation->height, 130);
  EXPECT_EQ(animation->backgroundRgb, 0xFFFFFFu);
  ASSERT_EQ(animation->frames.size(), 4u);
  const uint8_t disposals[] = {1, kGifDisposeToPrevious, kGifDisposeToPrevious,
                               kGifDisposeToBackground};
  for (size_t i = 0; i < 4; ++i) {
    const GifFrame& frame = animation->frames[i];
    EXPECT_EQ(GifFrameDelayMs(frame), 500u);
    EXPECT_EQ(frame.disposal, disposals[i]);
    // Each frame is a GIF of one image at the origin of a screen of the frame's own size.
    const std::optional<GifAnimation> alone = CutGifFrames(frame.file);
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->width, frame.width);
    EXPECT_EQ(alone->height, frame.height);
    ASSERT_EQ(alone->frames.size(), 1u);
    EXPECT_EQ(alone->frames[0].x, 0);
    EXPECT_EQ(alone->frames[0].file, frame.file);
  }
  EXPECT_EQ(animation->frames[3].y, 84);
}

TEST(GifFrames, RefusesOtherFilesAndEveryCutShortCopy) {
  const std::vector<uint8_t> file = ConfirmationPicture();
  ASSERT_GT(file.size(), 100u);
  EXPECT_FALSE(IsGif(std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A}));
  test::ForEachTruncatedPrefix(file, [](std::span<const uint8_t> prefix, size_t length) {
    EXPECT_FALSE(CutGifFrames(prefix)) << length;
  });
  // A delay below 5 hundredths is shown for 100 ms.
  GifFrame quick;
  quick.delayCs = 4;
  EXPECT_EQ(GifFrameDelayMs(quick), 100u);
}

}  // namespace
}  // namespace kq::platform
