// Reader names, and the listing and the search by serial number against the soft key.

#include <gtest/gtest.h>

#include <memory>

#include "common/codes_device.h"
#include "device/readers.h"
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
      {""sv, {}},
      {"\0A\0"sv, {}},
      {list, {"ORV ZANTULDCCID 0", "ORV ZANTULDCCID 12"}}};
  for (const auto& [names, split] : cases) {
    EXPECT_EQ(SplitReaderNames(names), split);
  }
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
  const struct {
    std::string serial, faults;
    FindReaderResult result;
    std::string reader;
  } cases[] = {
      {scene.MediaId(second), "", FindReaderResult::kFound, scene.ReaderName(second)},
      {"731111222233", "", FindReaderResult::kFound, scene.ReaderName(first)},
      {"739999999999", "", FindReaderResult::kNoMatch, ""},
      {"7311", "", FindReaderResult::kNoMatch, ""},  // too short
      {scene.MediaId(second), "GetDevSer:1:0x6F00", FindReaderResult::kFound,
       scene.ReaderName(second)},
      {scene.MediaId(second), "GetDevSer:2:0x6F00", FindReaderResult::kNoMatch, ""},
      {scene.MediaId(second), "ZANT_EnumDev:1:0x6F00", FindReaderResult::kEnumerationUnavailable,
       ""},
      {scene.MediaId(second), "EnumDev:2:0x6F00", FindReaderResult::kListQueryFailed, ""},
  };
  for (const auto& c : cases) {
    scene.SetProcessFaults(c.faults);
    found.clear();
    EXPECT_EQ(FindReaderBySerial(c.serial, found), c.result) << c.serial << " " << c.faults;
    EXPECT_EQ(found, c.reader) << c.serial << " " << c.faults;
  }
  for (const char* nth : {"1", "2"}) {
    scene.SetProcessFaults(std::string("EnumDev:") + nth + ":0x6F00");
    EXPECT_EQ(ListReaders(readers), dev::kReaderListFailed) << nth;
  }
  EXPECT_EQ(scene.OpenHandles(first), 0);
  EXPECT_EQ(scene.OpenHandles(second), 0);
}

}  // namespace
}  // namespace kq
