#include "store/container_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/codes_store.h"

namespace kq::store {
namespace {

using Names = std::vector<std::string>;

// Hands out a scripted run of 16-byte draws (each byte first + i * 0x11), then fails.
struct ScriptedDraws {
  std::vector<uint8_t> firsts;
  size_t next = 0;

  static bool Draw(void* context, std::span<uint8_t> out) {
    auto* self = static_cast<ScriptedDraws*>(context);
    if (self->next == self->firsts.size() || out.size() != 16) {
      return false;
    }
    for (size_t i = 0; i < 16; ++i) {
      out[i] = static_cast<uint8_t>(self->firsts[self->next] + i * 0x11);
    }
    ++self->next;
    return true;
  }
};

// A lowercase GUID; drawn again while the candidate is taken in any letter case; a failing
// generator ends in a failure.
TEST(ContainerName, DrawsAGuidNotTakenInAnyCaseOrFails) {
  ScriptedDraws draws{{0x0A, 0x0A, 0x01}};
  std::string name;
  ASSERT_EQ(NewContainerName(Names{"other", "0A1B2C3D-4E5F-7081-92A3-B4C5D6E7F809"}, name,
                             &ScriptedDraws::Draw, &draws),
            kOk);
  EXPECT_EQ(name, "01122334-4556-6778-899a-abbccddeef00");
  EXPECT_EQ(draws.next, 3u);
  ScriptedDraws none;
  EXPECT_EQ(NewContainerName(Names{}, name, &ScriptedDraws::Draw, &none), kDeviceFailed);
  EXPECT_TRUE(name.empty());
}

}  // namespace
}  // namespace kq::store
