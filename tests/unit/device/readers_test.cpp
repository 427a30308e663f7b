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

TEST(SoftKeyReaders, ListsAndFindsKeysBySerial) {
  test::SoftKeyScene scene;
  std::vector<std::string> readers{"stale"};
  EXPECT_EQ(ListReaders(readers), dev::kOk);
  EXPECT_TRUE(readers.empty());
  std::string found = "unchanged";
  EXPECT_EQ(FindReaderBySerial("730000000001", found), FindReaderResult::kListTooShort);

  const std::string first = scene.AddKey({.serial = "7311112222330001"});
  const std::string second = scene.AddKey({.serial = "7344445555660002"});
  EXPECT_EQ(ListReaders(readers), dev::kOk);
  EXPECT_EQ(readers, (std::vector<std::string>{"ORV ZANTULDCCID 0", "ORV ZANTULDCCID 1"}));

  EXPECT_EQ(FindReaderBySerial(scene.MediaId(second), found), FindReaderResult::kFound);
  EXPECT_EQ(found, scene.ReaderName(second));
  EXPECT_EQ(FindReaderBySerial("731111222233", found), FindReaderResult::kFound);
  EXPECT_EQ(found, scene.ReaderName(first));
  EXPECT_EQ(FindReaderBySerial("739999999999", found), FindReaderResult::kNoMatch);
  EXPECT_EQ(FindReaderBySerial("7311", found), FindReaderResult::kNoMatch);  // too short

  // A key that cannot be asked is passed over.
  scene.SetProcessFaults("GetDevSer:1:0x6F00");
  EXPECT_EQ(FindReaderBySerial(scene.MediaId(second), found), FindReaderResult::kFound);
  scene.SetProcessFaults("GetDevSer:2:0x6F00");
  EXPECT_EQ(FindReaderBySerial(scene.MediaId(second), found), FindReaderResult::kNoMatch);

  EXPECT_EQ(scene.OpenHandles(first), 0);
  EXPECT_EQ(scene.OpenHandles(second), 0);
}

// The first enumeration asks for the length, the second for the names. Each plan is written anew
// (with or without the prefix) so that its count starts again.
TEST(SoftKeyReaders, EnumerationFailuresAreReported) {
  test::SoftKeyScene scene;
  scene.AddKey();
  std::vector<std::string> readers;
  std::string found;
  const std::pair<std::string, FindReaderResult> cases[] = {
      {"1", FindReaderResult::kEnumerationUnavailable}, {"2", FindReaderResult::kListQueryFailed}};
  for (const auto& [nth, result] : cases) {
    scene.SetProcessFaults("EnumDev:" + nth + ":0x6F00");
    EXPECT_EQ(ListReaders(readers), dev::kReaderListFailed) << nth;
    scene.SetProcessFaults("ZANT_EnumDev:" + nth + ":0x6F00");
    EXPECT_EQ(FindReaderBySerial("730000000000", found), result) << nth;
  }
  scene.SetProcessFaults("");
  EXPECT_EQ(ListReaders(readers), dev::kOk);
  EXPECT_EQ(readers.size(), 1u);
}

}  // namespace
}  // namespace kq
