// Reader listing and the search by serial number against the soft key.

#include <gtest/gtest.h>

#include "common/codes_device.h"
#include "device/readers.h"
#include "support/softkey_scene.h"

namespace kq {
namespace {

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
