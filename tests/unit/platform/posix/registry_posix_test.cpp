#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/registry.h"
#include "support/scoped_env.h"
#include "support/temp_registry.h"

namespace kq::platform {
namespace {

constexpr std::u16string_view kKey = u"Software\\KQVN\\Orvenia";

uint32_t Language() {
  uint32_t value = 0;
  EXPECT_EQ(QueryRegistryDword(kKey, u"LanguageID", RegistryView::k64Bit, value),
            RegistryStatus::kOk);
  return value;
}

TEST(RegistryPort, FollowsTheVariableAndTheFileBetweenQueries) {
  test::TempRegistry first(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000404"));
  EXPECT_EQ(Language(), 0x404u);
  {
    test::TempRegistry second(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000409"));
    EXPECT_EQ(Language(), 0x409u);
    // Rewritten in place with the same size: the next query sees the new content.
    second.Write(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000804"));
    EXPECT_EQ(Language(), 0x804u);
  }
  EXPECT_EQ(Language(), 0x404u);
  test::ScopedEnv missing("KQCSP_REGISTRY", first.path() + ".missing");
  uint32_t value = 0;
  EXPECT_EQ(QueryRegistryDword(kKey, u"LanguageID", RegistryView::k64Bit, value),
            RegistryStatus::kKeyMissing);
  EXPECT_FALSE(RegistryKeyExists(kKey, RegistryView::k64Bit));
}

TEST(RegistryPort, ReportsAsAQueryIntoAFixedBufferDoes) {
  test::TempRegistry registry(
      test::TempRegistry::SettingsKey("\"Short\"=hex:07\n\"Text\"=\"12345\""));
  uint32_t value = 0xFFFFFFFF;
  EXPECT_EQ(QueryRegistryDword(kKey, u"Absent", RegistryView::k64Bit, value),
            RegistryStatus::kValueMissing);
  EXPECT_EQ(value, 0xFFFFFFFFu);
  ASSERT_EQ(QueryRegistryDword(kKey, u"SHORT", RegistryView::k64Bit, value), RegistryStatus::kOk);
  EXPECT_EQ(value, 7u);  // a shorter value leaves the rest of the 4 bytes zero
  EXPECT_EQ(QueryRegistryDword(kKey, u"Text", RegistryView::k64Bit, value),
            RegistryStatus::kMoreData);
  std::array<uint8_t, 1024> buffer{};
  size_t size = 0;
  uint32_t type = 0;
  ASSERT_EQ(QueryRegistryValue(kKey, u"Text", RegistryView::kDefault, buffer, size, type),
            RegistryStatus::kOk);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(type, kRegSz);
  EXPECT_TRUE(RegistryKeyExists(u"SOFTWARE\\kqvn", RegistryView::kDefault));
}

}  // namespace
}  // namespace kq::platform
