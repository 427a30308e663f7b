#include "device/readers.h"

#include <gtest/gtest.h>

#include <memory>

namespace kq {
namespace {

using Names = std::vector<std::string>;

TEST(ReaderNames, SplitAtEachNulUntilAnEmptyName) {
  using namespace std::string_view_literals;
  EXPECT_EQ(SplitReaderNames("ORV ZANTULDCCID 0\0ORV ZANTULDCCID 1\0\0"sv),
            (Names{"ORV ZANTULDCCID 0", "ORV ZANTULDCCID 1"}));
  EXPECT_EQ(SplitReaderNames("A\0\0B\0"sv), (Names{"A"}));
  EXPECT_EQ(SplitReaderNames("A\0B"sv), (Names{"A", "B"}));  // the last NUL missing
  EXPECT_EQ(SplitReaderNames(""sv), Names{});
  EXPECT_EQ(SplitReaderNames("\0A\0"sv), Names{});
}

// Every prefix of a list, from an exactly sized heap buffer: no name reaches past the buffer.
TEST(ReaderNames, TruncatedListsNeverReadPastTheBuffer) {
  using namespace std::string_view_literals;
  const std::string_view list = "ORV ZANTULDCCID 0\0ORV ZANTULDCCID 12\0\0"sv;
  for (size_t n = 0; n <= list.size(); ++n) {
    const std::unique_ptr<char[]> exact(new char[n]);
    std::copy_n(list.data(), n, exact.get());
    const Names names = SplitReaderNames(std::string_view(exact.get(), n));
    size_t total = 0;
    for (const std::string& name : names) {
      total += name.size() + 1;
    }
    EXPECT_LE(total, n + 1);
  }
}

}  // namespace
}  // namespace kq
