// Reader names, and the listing and the search by serial number against the soft key.
#include <gtest/gtest.h>

#include "common/codes_device.h"
#include "device/readers.h"
#include "support/exact_buffer.h"
#include "support/softkey_scene.h"

namespace kq {
namespace {

using Names = std::vector<std::string>;
using namespace std::string_view_literals;

// Names end at each NUL until an empty one; every prefix of a list, from an exactly sized heap
// buffer, yields no name reaching past the buffer.
TEST(ReaderNames, SplitAtEachNulUntilAnEmptyNameWithinTheBuffer) {
  const std::string_view list = "ORV ZANTULDCCID 0\0ORV ZANTULDCCID 12\0\0"sv;
  const std::pair<std::string_view, Names> cases[] = {
      {"A\0\0B\0"sv, {"A"}},
      {"A\0B"sv, {"A", "B"}},
      {"\0A\0"sv, {}},
      {list, {"ORV ZANTULDCCID 0", "ORV ZANTULDCCID 12"}}};
  for (const auto& [names, split] : cases) {
    EXPECT_EQ(SplitReaderNames(names), split);
  }
  test::ForEachTruncatedPrefix({reinterpret_cast<const uint8_t*>(list.data()), list.size()},
                               [](std::span<const uint8_t> prefix, size_t n) {
                                 size_t total = 0;
                                 for (const std::string& name : SplitReaderNames(
                                          {reinterpret_cast<const char*>(prefix.data()), n})) {
                                   total += name.size() + 1;
                                 }
                                 EXPECT_LE(total, n + 1);
                               });
}

// The first enumeration asks for the length, the second for the names; a key that cannot be
// asked for its serial is passed over. Each plan is written anew so that its count starts again.
TEST(SoftKeyReaders, ListsAndFindsKeysBySerialAndReportsFailures) {
  test::SoftKeyScene scene;
  std::vector<std::string> readers{"stale"};
  EXPECT_EQ(ListReaders(readers), dev::kOk);
  EXPECT_TRUE(readers.empty());
  std::string found = "unchanged";
  EXPECT_EQ(FindReaderBySerial("730000000001", found), FindReaderResult::kListTooShort);
  const std::string first = scene.AddKey({.serial = "7311112222330001"});
  const std::string second = scene.AddKey({.serial = "7344445555660002"});
  EXPECT_EQ(ListReaders(readers), dev::kOk);
  EXPECT_EQ(readers, (Names{"ORV ZANTULDCCID 0", "ORV ZANTULDCCID 1"}));
  const std::string id = scene.MediaId(second);
  const struct {
    std::string serial, faults;
    FindReaderResult result;
    std::string reader;
  } cases[] = {
      {id, "", FindReaderResult::kFound, scene.ReaderName(second)},
      {"731111222233", "", FindReaderResult::kFound, scene.ReaderName(first)},
      {id, "GetDevSer:1:0x6F00", FindReaderResult::kFound, scene.ReaderName(second)},
      {id, "GetDevSer:2:0x6F00", FindReaderResult::kNoMatch, ""},
      {id, "EnumDev:2:0x6F00", FindReaderResult::kListQueryFailed, ""},
  };
  for (const auto& c : cases) {
    scene.SetProcessFaults(c.faults);
    found.clear();
    EXPECT_EQ(FindReaderBySerial(c.serial, found), c.result) << c.serial << " " << c.faults;
    EXPECT_EQ(found, c.reader) << c.serial << " " << c.faults;
  }
  scene.SetProcessFaults("EnumDev:1:0x6F00");
  EXPECT_EQ(ListReaders(readers), dev::kReaderListFailed);
  EXPECT_EQ(scene.OpenHandles(first) + scene.OpenHandles(second), 0);
}

}  // namespace
}  // namespace kq
