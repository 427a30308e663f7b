// Random bytes fill exactly what is asked, in any size, and differ between requests.
#include "crypto/random_bytes.h"

#include <gtest/gtest.h>

#include <vector>

namespace kq {
namespace {

TEST(RandomBytes, FillsExactlyTheBufferInEverySizeAndDiffersBetweenRequests) {
  for (const size_t size : {size_t{1}, size_t{5}, size_t{1024}, size_t{1025}, size_t{70000}}) {
    std::vector<uint8_t> buffer(size + 8, 0);
    ASSERT_TRUE(RandomBytes(std::span<uint8_t>(buffer).first(size)));
    for (size_t i = size; i < buffer.size(); ++i) {
      EXPECT_EQ(buffer[i], 0) << "written past " << size;
    }
  }
  std::vector<uint8_t> a(32);
  std::vector<uint8_t> b(32);
  ASSERT_TRUE(RandomBytes(a));
  ASSERT_TRUE(RandomBytes(b));
  EXPECT_NE(a, b);
  EXPECT_TRUE(RandomBytes({}));
}

}  // namespace
}  // namespace kq
