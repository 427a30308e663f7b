#include "device/readers.h"

#include <gtest/gtest.h>

#include <memory>

namespace kq {
namespace {

using Names = std::vector<std::string>;
using namespace std::string_view_literals;

// Names end at each NUL until an empty one; every prefix of a list, from an exactly sized heap
// buffer, yields no name reaching past the buffer.
TEST(ReaderNames, SplitAtEachNulUntilAnEmptyNameWithinTheBuffer) {
  const std::pair<std::string_view, Names> cases[] = {
      {"A\0\0B\0"sv, {"A"}}, {"A\0B"sv, {"A", "B"}}, {""sv, {}}, {"\0A\0"sv, {}}};
  for (const auto& [list, names] : cases) {
    EXPECT_EQ(SplitReaderNames(list), names);
  }
  const std::string_view list = "ORV ZANTULDCCID 0\0ORV ZANTULDCCID 12\0\0"sv;
  EXPECT_EQ(SplitReaderNames(list), (Names{"ORV ZANTULDCCID 0", "ORV ZANTULDCCID 12"}));
  for (size_t n = 0; n <= list.size(); ++n) {
    const std::unique_ptr<char[]> exact(new char[n]);
    std::copy_n(list.data(), n, exact.get());
    size_t total = 0;
    for (const std::string& name : SplitReaderNames(std::string_view(exact.get(), n))) {
      total += name.size() + 1;
    }
    EXPECT_LE(total, n + 1);
  }
}

}  // namespace
}  // namespace kq
