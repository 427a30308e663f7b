#include "common/byte_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace kq {
namespace {

TEST(ByteReader, ReadsBigEndianNumbersAndStopsAtTheEnd) {
  const std::vector<uint8_t> bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
  ByteReader reader(bytes);
  uint8_t b = 0;
  uint16_t w = 0;
  uint32_t d = 0;
  ASSERT_TRUE(reader.u8(b));
  EXPECT_EQ(b, 0x01);
  ASSERT_TRUE(reader.be16(w));
  EXPECT_EQ(w, 0x0203);
  ASSERT_TRUE(reader.be32(d));
  EXPECT_EQ(d, 0x04050607u);
  EXPECT_TRUE(reader.empty());
  EXPECT_FALSE(reader.u8(b));
}

TEST(ByteReader, RefusesEveryReadLongerThanWhatIsLeftWithoutMoving) {
  for (size_t size = 0; size < 4; ++size) {
    std::vector<uint8_t> bytes(size, 0xAB);
    ByteReader reader(bytes);
    uint32_t d = 0;
    std::span<const uint8_t> view;
    EXPECT_FALSE(reader.be32(d));
    EXPECT_FALSE(reader.take(size + 1, view));
    EXPECT_FALSE(reader.skip(size + 1));
    EXPECT_EQ(reader.position(), 0u);
    EXPECT_TRUE(reader.take(size, view));
    EXPECT_EQ(view.size(), size);
  }
}

}  // namespace
}  // namespace kq
