// Cutting the confirmation dialogs' animation into one-image GIFs: the frames of the committed
// picture, each a file of one image, and every cut-short copy of the picture, read from an exactly
// sized buffer so that the sanitizers catch any read past its end.
#include "platform/gif_frames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "support/exact_buffer.h"

namespace kq::platform {
namespace {

TEST(GifFrames, CutsTheConfirmationPictureIntoItsFourFramesAndRefusesCutShortCopies) {
  std::ifstream in(KQ_TEST_SOURCE_DIR "/src/platform/win32/resources/confirm_on_key.gif",
                   std::ios::binary);
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
  const std::optional<GifAnimation> animation = CutGifFrames(file);
  ASSERT_TRUE(animation);
  EXPECT_EQ(std::pair(animation->width, animation->height),
            (std::pair<uint16_t, uint16_t>(134, 130)));
  EXPECT_EQ(animation->backgroundRgb, 0xFFFFFFu);
  ASSERT_EQ(animation->frames.size(), 4u);
  const uint8_t disposals[] = {1, kGifDisposeToPrevious, kGifDisposeToPrevious,
                               kGifDisposeToBackground};
  for (size_t i = 0; i < 4; ++i) {
    const GifFrame& frame = animation->frames[i];
    EXPECT_EQ(GifFrameDelayMs(frame), 500u);
    EXPECT_EQ(frame.disposal, disposals[i]);
    // A GIF of one image at the origin of a screen of the frame's own size.
    const std::optional<GifAnimation> alone = CutGifFrames(frame.file);
    ASSERT_TRUE(alone && alone->frames.size() == 1);
    EXPECT_EQ(std::pair(alone->width, alone->height), std::pair(frame.width, frame.height));
    EXPECT_EQ(alone->frames[0].x, 0);
  }
  EXPECT_EQ(animation->frames[3].y, 84);
  EXPECT_FALSE(IsGif(std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A}));
  test::ForEachTruncatedPrefix(file, [](std::span<const uint8_t> prefix, size_t length) {
    EXPECT_FALSE(CutGifFrames(prefix)) << length;
  });
  GifFrame quick;
  quick.delayCs = 4;  // below 5 hundredths: shown for 100 ms
  EXPECT_EQ(GifFrameDelayMs(quick), 100u);
}

}  // namespace
}  // namespace kq::platform
