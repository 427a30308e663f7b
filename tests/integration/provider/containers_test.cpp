// Containers on soft keys through the exported entry points: create, open, delete, enumerate,
// with one key and with several (chooser answered or cancelled; a single key holding the
// container needs no chooser).
#include <cstring>

#include "provider_scene.h"

namespace kq::test {
namespace {

using Containers = ProviderScene;

std::vector<std::string> EnumContainers(KqHandle prov) {
  std::vector<std::string> names;
  uint32_t flags = 1;  // CRYPT_FIRST
  for (;;) {
    char name[600] = {};
    uint32_t length = sizeof name;
    if (!Provider().CPGetProvParam(prov, 2, reinterpret_cast<uint8_t*>(name), &length, flags)) {
      EXPECT_EQ(Provider().GetLastError(), 259u);
      return names;
    }
    names.emplace_back(name);
    flags = 0;
  }
}

TEST_F(Containers, CreateOpenEnumerateAndDeleteOnOneKey) {
  const std::string key = AddKey();
  KqHandle prov = Acquire("box", 0, 0x80090016);
  EXPECT_EQ(prov, 0xFFFFFFFFu);

  prov = Acquire("box", kNewKeyset);
  char text[300] = {};
  uint32_t length = sizeof text;
  ASSERT_TRUE(P().CPGetProvParam(prov, 6, reinterpret_cast<uint8_t*>(text), &length, 0));
  EXPECT_STREQ(text, "box");
  EXPECT_EQ(length, 4u);
  length = sizeof text;
  ASSERT_TRUE(P().CPGetProvParam(prov, 43, reinterpret_cast<uint8_t*>(text), &length, 0));
  EXPECT_EQ(std::string(text), scene_.ReaderName(key));
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));

  Acquire("box", kNewKeyset, 0x8009000F);
  const KqHandle second = Acquire("\\\\.\\any reader\\second", kNewKeyset);
  EXPECT_TRUE(P().CPReleaseContext(second, 0));

  prov = Acquire("box", 0);
  EXPECT_EQ(EnumContainers(prov), (std::vector<std::string>{"box", "second"}));
  ExpectAllClosed("PP_ENUMCONTAINERS");
  // A short buffer is told the size, and the name stays first.
  char small[4] = {};
  length = sizeof small;
  ASSERT_TRUE(P().CPGetProvParam(prov, 2, nullptr, &length, 1));
  EXPECT_EQ(length, 4u);
  length = 3;
  EXPECT_FALSE(P().CPGetProvParam(prov, 2, reinterpret_cast<uint8_t*>(small), &length, 0));
  EXPECT_EQ(Error(), 234u);
  EXPECT_EQ(length, 4u);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));

  const KqHandle deleted = Acquire("box", kDeleteKeyset);
  EXPECT_FALSE(P().CPReleaseContext(deleted, 0));
  EXPECT_EQ(Error(), 0x80090001u);
  Acquire("box", 0, 0x80090016);
  Acquire("box", kDeleteKeyset, 0x80090020);
}

// CRYPT_NEWKEYSET reads both indexes whole after the login; either one short or unreadable
// fails the creation with NTE_FAIL before anything is written.
TEST_F(Containers, NewKeysetNeedsBothIndexesReadable) {
  const std::string key = AddKey();
  const std::vector<uint8_t> objectIndex = *scene_.ReadKeyFile(key, 0xD001);
  for (const uint32_t damaged : {0xD001u, 0xD002u}) {
    const std::vector<uint8_t> whole = *scene_.ReadKeyFile(key, damaged);
    scene_.WriteKeyFile(key, damaged, std::vector<uint8_t>(whole.begin(), whole.end() - 10));
    Acquire("box", kNewKeyset, 0x80090020);
    EXPECT_EQ(
        *scene_.ReadKeyFile(key, 0xD001),
        (damaged == 0xD001u ? std::vector<uint8_t>(objectIndex.begin(), objectIndex.end() - 10)
                            : objectIndex));
    EXPECT_EQ(scene_.KeyFiles(key).size(), 3u) << "no container file was made";
    scene_.WriteKeyFile(key, damaged, whole);
  }
  EXPECT_TRUE(P().CPReleaseContext(Acquire("box", kNewKeyset), 0));
}

TEST_F(Containers, VerifyContextsAndSilentOpens) {
  // No key at all: a verify context still opens; a silent open without a name chooses nothing.
  KqHandle prov = Acquire(nullptr, kVerifyContext);
  char text[64] = {};
  uint32_t length = sizeof text;
  ASSERT_TRUE(P().CPGetProvParam(prov, 6, reinterpret_cast<uint8_t*>(text), &length, 0));
  EXPECT_STREQ(text, "KQDefault_CTN");
  length = sizeof text;
  EXPECT_FALSE(P().CPGetProvParam(prov, 43, reinterpret_cast<uint8_t*>(text), &length, 0));
  EXPECT_EQ(Error(), 0x8009000Au);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  Acquire("", kVerifyContext, 0x8009001F);
  EXPECT_TRUE(P().CPReleaseContext(Acquire("", kVerifyContext | kSilent), 0));
  EXPECT_TRUE(P().CPReleaseContext(Acquire(nullptr, kSilent), 0));
  Acquire("x", 0, 0x80090020);  // no key to open

  const std::string key = AddKey();
  prov = Acquire(nullptr, kVerifyContext);
  length = sizeof text;
  ASSERT_TRUE(P().CPGetProvParam(prov, 43, reinterpret_cast<uint8_t*>(text), &length, 0));
  EXPECT_EQ(std::string(text), scene_.ReaderName(key));
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  // Creating under CRYPT_SILENT cannot ask for the PIN.
  Acquire("quiet", kNewKeyset | kSilent, 0x80090022);
}

TEST_F(Containers, AlgorithmsAreEnumeratedOnTheirOwnCursors) {
  const KqHandle prov = Acquire(nullptr, kVerifyContext);
  uint8_t row[88] = {};
  uint32_t length = 0;
  ASSERT_TRUE(P().CPGetProvParam(prov, 1, nullptr, &length, 1));
  EXPECT_EQ(length, 32u);
  std::vector<uint32_t> ids;
  for (int i = 0; i < 11; ++i) {
    length = sizeof row;
    if (!P().CPGetProvParam(prov, 1, row, &length, 0)) {
      EXPECT_EQ(Error(), 259u);
      break;
    }
    uint32_t id = 0;
    std::memcpy(&id, row, 4);
    ids.push_back(id);
    if (i == 2) {  // the EX cursor is separate
      length = sizeof row;
      ASSERT_TRUE(P().CPGetProvParam(prov, 22, row, &length, 1));
      EXPECT_EQ(length, 88u);
      EXPECT_STREQ(reinterpret_cast<const char*>(row + 24), "DES");
      EXPECT_STREQ(reinterpret_cast<const char*>(row + 48), "Data Encryption Standard (DES)");
    }
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{0x6601, 0x6603, 0x8003, 0x8004, 0x8008, 0x800C, 0x800D,
                                        0x800E, 0x2400, 0xA400}));
  char name[10] = {};
  length = sizeof name;
  EXPECT_FALSE(P().CPGetProvParam(prov, 4, reinterpret_cast<uint8_t*>(name), &length, 0));
  EXPECT_EQ(Error(), 234u);
  EXPECT_EQ(length, 19u);
  EXPECT_FALSE(P().CPGetProvParam(prov, 7, nullptr, &length, 0));
  EXPECT_EQ(Error(), 0x8009000Au);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
}

TEST_F(Containers, ThePinIsVerifiedOnTheKey) {
  const std::string key = AddKey();
  const KqHandle prov = Acquire("box", kNewKeyset);
  EXPECT_TRUE(P().CPSetProvParam(prov, 33, reinterpret_cast<const uint8_t*>("12345678"), 0));
  EXPECT_EQ(Error(), 0u);
  EXPECT_FALSE(P().CPSetProvParam(prov, 33, reinterpret_cast<const uint8_t*>("87654321"), 0));
  EXPECT_EQ(Error(), 0x8010006Bu);
  ExpectAllClosed("a wrong PIN");
  EXPECT_FALSE(P().CPSetProvParam(prov, 32, reinterpret_cast<const uint8_t*>("123456"), 0));
  EXPECT_EQ(Error(), 0x8010002Au);
  EXPECT_FALSE(P().CPSetProvParam(prov, 31, reinterpret_cast<const uint8_t*>("12345678"), 0));
  EXPECT_EQ(Error(), 0x80004001u);
  EXPECT_FALSE(P().CPSetProvParam(prov, 99, nullptr, 0));
  EXPECT_EQ(Error(), 0x8009000Au);
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
}

}  // namespace
}  // namespace kq::test
