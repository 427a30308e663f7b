#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/registry.h"
#include "support/scoped_env.h"

namespace kq::platform {
namespace {

class RegistryPort : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kqreg-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
  }
  void TearDown() override {
    for (const std::string& file : written_) {
      std::remove(file.c_str());
    }
    std::remove(directory_.c_str());
  }
  std::string Write(const std::string& name, const std::string& content) {
    const std::string path = directory_ + "/" + name;
    std::ofstream(path, std::ios::binary) << content;
    written_.push_back(path);
    return path;
  }

  std::string directory_;
  std::vector<std::string> written_;
};

constexpr std::u16string_view kKey = u"Software\\KQVN\\Orvenia";

TEST_F(RegistryPort, FollowsTheVariableAndTheFileBetweenQueries) {
  const std::string first = Write("a.reg",
                                  "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\KQVN\\Orvenia]\n"
                                  "\"LanguageID\"=dword:00000404\n");
  const std::string second = Write("b.reg",
                                   "[HKEY_LOCAL_MACHINE\\Software\\KQVN\\Orvenia]\n"
                                   "\"LanguageID\"=dword:00000409\n");
  test::ScopedEnv env("KQCSP_REGISTRY", first);
  uint32_t value = 0;
  ASSERT_EQ(QueryRegistryDword(kKey, u"LanguageID", RegistryView::k64Bit, value),
            RegistryStatus::kOk);
  EXPECT_EQ(value, 0x404u);

  env.Set(second);
  ASSERT_EQ(QueryRegistryDword(kKey, u"LanguageID", RegistryView::k64Bit, value),
            RegistryStatus::kOk);
  EXPECT_EQ(value, 0x409u);

  // Rewritten in place with the same size: the next query sees the new content.
  Write("b.reg", "[HKEY_LOCAL_MACHINE\\Software\\KQVN\\Orvenia]\n\"LanguageID\"=dword:00000804\n");
  ASSERT_EQ(QueryRegistryDword(kKey, u"LanguageID", RegistryView::kDefault, value),
            RegistryStatus::kOk);
  EXPECT_EQ(value, 0x804u);

  env.Set(directory_ + "/missing.reg");
  EXPECT_EQ(QueryRegistryDword(kKey, u"LanguageID", RegistryView::k64Bit, value),
            RegistryStatus::kKeyMissing);
  EXPECT_FALSE(RegistryKeyExists(kKey, RegistryView::k64Bit));
}

TEST_F(RegistryPort, ReportsAsAQueryIntoAFixedBufferDoes) {
  test::ScopedEnv env("KQCSP_REGISTRY", Write("c.reg",
                                              "[HKEY_LOCAL_MACHINE\\Software\\KQVN\\Orvenia]\n"
                                              "\"Short\"=hex:07\n\"Text\"=\"12345\"\n"));
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
