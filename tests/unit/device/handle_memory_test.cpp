// What a handle keeps of the key's files: what it read, updated by its own writes, forgotten on
// any doubt (a failed write, a new file, a deletion) and when the handle closes.
#include "device/handle_memory.h"

#include <gtest/gtest.h>

#include <vector>

namespace kq {
namespace {

using Bytes = std::vector<uint8_t>;
const Bytes kUnknown{0xEE};

TEST(HandleMemory, KeepsReadsAndItsOwnWritesAndForgetsOnDoubt) {
  HandleMemory memory;
  const auto known = [&](uint32_t fileId, uint32_t length) {
    const auto prefix = memory.Prefix(fileId, length);
    return prefix ? Bytes(prefix->begin(), prefix->end()) : kUnknown;
  };
  EXPECT_EQ(known(0xD001, 0), kUnknown);
  memory.RememberRead(0xD001, Bytes{1, 2, 3, 4}, false);
  EXPECT_EQ(known(0xD001, 2), (Bytes{1, 2}));
  EXPECT_EQ(known(0xD001, 5), kUnknown) << "bytes never read are not invented";
  EXPECT_FALSE(memory.Length(0xD001).has_value()) << "a full read does not tell the length";
  memory.RememberWrite(0xD001, 2, Bytes{9, 9, 9});  // overwrites and extends
  memory.RememberWrite(0xD001, 7, Bytes{5});        // a gap of unknown bytes: nothing made up
  EXPECT_EQ(known(0xD001, 5), (Bytes{1, 2, 9, 9, 9}));
  EXPECT_EQ(known(0xD001, 6), kUnknown);
  memory.RememberRead(0x0500, Bytes{7, 7}, true);  // the key gave fewer bytes than asked
  EXPECT_EQ(memory.Length(0x0500), 2u);
  memory.RememberLength(0x0500, 1);
  EXPECT_EQ(known(0x0500, 2), kUnknown) << "bytes beyond the length are dropped";
  memory.RememberCreated(0x0600, 40);
  EXPECT_EQ(memory.Length(0x0600), 40u);
  EXPECT_EQ(known(0x0600, 1), kUnknown) << "a new file's bytes are not assumed";
  memory.Forget(0xD001);
  EXPECT_EQ(known(0xD001, 1), kUnknown);
  memory.RememberLargestFileSize(8192);
  memory.RememberLogin();
  memory.Clear();
  EXPECT_FALSE(memory.Length(0x0600).has_value());
  EXPECT_FALSE(memory.LargestFileSize().has_value());
  EXPECT_FALSE(memory.loggedIn());
}

}  // namespace
}  // namespace kq
