#include "store/container_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/codes_store.h"

namespace kq::store {
namespace {

// Hands out a scripted run of 16-byte draws, then fails.
struct ScriptedDraws {
  std::vector<std::array<uint8_t, 16>> draws;
  size_t next = 0;

  static bool Draw(void* context, std::span<uint8_t> out) {
    auto* self = static_cast<ScriptedDraws*>(context);
    if (self->next == self->draws.size() || out.size() != 16) {
      return false;
    }
    std::copy(self->draws[self->next].begin(), self->draws[self->next].end(), out.begin());
    ++self->next;
    return true;
  }
};

std::array<uint8_t, 16> Bytes(uint8_t first) {
  std::array<uint8_t, 16> bytes{};
  for (size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<uint8_t>(first + i * 0x11);
  }
  return bytes;
}

TEST(ContainerName, FormatsSixteenBytesAsALowercaseGuid) {
  EXPECT_EQ(FormatGuidName(Bytes(0x0A)), "0a1b2c3d-4e5f-7081-92a3-b4c5d6e7f809");
}

TEST(ContainerName, DrawsAgainWhileTheCandidateIsTakenInAnyLetterCase) {
  ScriptedDraws draws{{Bytes(0x0A), Bytes(0x0A), Bytes(0x01)}};
  const std::vector<std::string> existing = {"other", "0A1B2C3D-4E5F-7081-92A3-B4C5D6E7F809"};
  std::string name;
  ASSERT_EQ(NewContainerName(existing, name, &ScriptedDraws::Draw, &draws), kOk);
  EXPECT_EQ(name, FormatGuidName(Bytes(0x01)));
  EXPECT_EQ(draws.next, 3u);
}

TEST(ContainerName, FailsWhenTheGeneratorFailsOrRepeatsItself) {
  ScriptedDraws none;
  std::string name = "left over";
  EXPECT_EQ(NewContainerName({}, name, &ScriptedDraws::Draw, &none), kDeviceFailed);
  EXPECT_TRUE(name.empty());

  ScriptedDraws stuck{std::vector<std::array<uint8_t, 16>>(100, Bytes(0))};
  const std::vector<std::string> existing = {FormatGuidName(Bytes(0))};
  EXPECT_EQ(NewContainerName(existing, name, &ScriptedDraws::Draw, &stuck), kDeviceFailed);
  EXPECT_LT(stuck.next, 100u);
}

}  // namespace
}  // namespace kq::store
