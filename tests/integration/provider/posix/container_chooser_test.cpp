// Containers on several soft keys: the token chooser, answered through KQCSP_UI_CHOICES and shown
// in the UI log, is asked only when more than one key qualifies.

#include "provider_scene.h"

namespace kq::test {
namespace {

using ContainerChooser = ProviderScene;

TEST_F(ContainerChooser, SeveralKeysAskTheUserOnlyWhenMoreThanOneQualifies) {
  const std::string first = AddKey({.label = "first key"});
  const std::string second = AddKey({.label = "second key"});
  // Creating: both keys qualify; the user picks the second, then cancels.
  Choose("2,cancel,1");
  KqHandle prov = Acquire("mine", kNewKeyset);
  char reader[300] = {};
  uint32_t length = sizeof reader;
  ASSERT_TRUE(P().CPGetProvParam(prov, 43, reinterpret_cast<uint8_t*>(reader), &length, 0));
  EXPECT_EQ(std::string(reader), scene_.ReaderName(second));
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  EXPECT_NE(UiLog().find("CHOOSE token"), std::string::npos);
  EXPECT_NE(UiLog().find("second key"), std::string::npos);
  Acquire("other", kNewKeyset, 0x8010006E);

  // Opening: only the second key holds "mine", so no chooser is shown (the next answer, "1",
  // stays unused and would pick the wrong key).
  prov = Acquire("mine", 0);
  length = sizeof reader;
  ASSERT_TRUE(P().CPGetProvParam(prov, 43, reinterpret_cast<uint8_t*>(reader), &length, 0));
  EXPECT_EQ(std::string(reader), scene_.ReaderName(second));
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  (void)first;
}

}  // namespace
}  // namespace kq::test
