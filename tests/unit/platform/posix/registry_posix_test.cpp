#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/registry.h"
#include "support/scoped_env.h"
#include "support/temp_registry.h"

namespace kq::platform {
namespace {

constexpr std::u16string_view kKey = u"Software\\KQVN\\Orvenia";

RegistryStatus Dword(std::u16string_view name, uint32_t& value) {
  return QueryRegistryDword(kKey, name, RegistryView::k64Bit, value);
}

// The file named by KQCSP_REGISTRY is read at each query; a value answers as a query into a fixed
// buffer does (a short value zero-filled, a long one "more data").
TEST(RegistryPort, FollowsTheVariableAndTheFileAndAnswersAsAFixedBufferQuery) {
  uint32_t value = 0;
  test::TempRegistry first(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000404"));
  {
    test::TempRegistry second(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000409"));
    // Rewritten in place with the same size: the next query sees the new content.
    second.Write(test::TempRegistry::SettingsKey("\"LanguageID\"=dword:00000804"));
    ASSERT_EQ(Dword(u"LanguageID", value), RegistryStatus::kOk);
    EXPECT_EQ(value, 0x804u);
  }
  ASSERT_EQ(Dword(u"LanguageID", value), RegistryStatus::kOk);
  EXPECT_EQ(value, 0x404u);
  first.Write(test::TempRegistry::SettingsKey("\"Short\"=hex:07\n\"Text\"=\"12345\""));
  value = 0xFFFFFFFF;
  EXPECT_EQ(Dword(u"Absent", value), RegistryStatus::kValueMissing);
  EXPECT_EQ(value, 0xFFFFFFFFu);
  ASSERT_EQ(Dword(u"SHORT", value), RegistryStatus::kOk);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(Dword(u"Text", value), RegistryStatus::kMoreData);
  std::array<uint8_t, 1024> buffer{};
  size_t size = 0;
  uint32_t type = 0;
  ASSERT_EQ(QueryRegistryValue(kKey, u"Text", RegistryView::kDefault, buffer, size, type),
            RegistryStatus::kOk);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(type, kRegSz);
  test::ScopedEnv missing("KQCSP_REGISTRY", first.path() + ".missing");
  EXPECT_EQ(Dword(u"LanguageID", value), RegistryStatus::kKeyMissing);
  EXPECT_FALSE(RegistryKeyExists(kKey, RegistryView::k64Bit));
}

}  // namespace
}  // namespace kq::platform
