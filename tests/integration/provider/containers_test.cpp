// Containers on soft keys through the exported entry points: create, open, enumerate, verify the
// PIN, delete; verify contexts and silent opens; the algorithms a context enumerates.
#include <cstring>

#include "provider_scene.h"

namespace kq::test {
namespace {

using Containers = ProviderScene;

TEST_F(Containers, CreateOpenEnumerateVerifyThePinAndDeleteOnOneKey) {
  const std::string key = AddKey();
  EXPECT_EQ(Acquire("box", 0, 0x80090016), 0xFFFFFFFFu);
  KqHandle prov = Acquire("box", kNewKeyset);
  EXPECT_EQ(Text(prov, 6), "box");
  EXPECT_EQ(Text(prov, 43), scene_.ReaderName(key));
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  Acquire("box", kNewKeyset, 0x8009000F);
  EXPECT_TRUE(P().CPReleaseContext(Acquire("\\\\.\\any reader\\second", kNewKeyset), 0));

  prov = Acquire("box", 0);
  std::vector<std::string> names;
  char name[600] = {};
  uint32_t length = sizeof name;
  for (uint32_t first = 1;
       P().CPGetProvParam(prov, 2, reinterpret_cast<uint8_t*>(name), &length, first); first = 0) {
    names.emplace_back(name);
    length = sizeof name;
  }
  EXPECT_EQ(Error(), 259u);
  EXPECT_EQ(names, (std::vector<std::string>{"box", "second"}));
  ExpectAllClosed("PP_ENUMCONTAINERS");
  // A short buffer is told the size, and the name stays first.
  ASSERT_TRUE(P().CPGetProvParam(prov, 2, nullptr, &length, 1));
  EXPECT_EQ(length, 4u);
  length = 3;
  EXPECT_FALSE(P().CPGetProvParam(prov, 2, reinterpret_cast<uint8_t*>(name), &length, 0));
  EXPECT_EQ(Error(), 234u);
  EXPECT_EQ(length, 4u);

  // PP_KEYEXCHANGE_PIN (32) and PP_SIGNATURE_PIN (33) are verified on the key.
  const std::tuple<uint32_t, const char*, uint32_t> pins[] = {{33, "12345678", 0},
                                                              {33, "87654321", 0x8010006B},
                                                              {32, "123456", 0x8010002A},
                                                              {31, "12345678", 0x80004001},
                                                              {99, nullptr, 0x8009000A}};
  for (const auto& [param, pin, error] : pins) {
    EXPECT_EQ(P().CPSetProvParam(prov, param, reinterpret_cast<const uint8_t*>(pin), 0) != 0,
              error == 0);
    EXPECT_EQ(Error(), error) << param << " " << (pin ? pin : "");
  }
  ExpectAllClosed("the PINs");
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
  const Bytes objectIndex = *scene_.ReadKeyFile(key, 0xD001);
  for (const uint32_t damaged : {0xD001u, 0xD002u}) {
    const Bytes whole = *scene_.ReadKeyFile(key, damaged);
    const Bytes cut(whole.begin(), whole.end() - 10);
    scene_.WriteKeyFile(key, damaged, cut);
    Acquire("box", kNewKeyset, 0x80090020);
    EXPECT_EQ(*scene_.ReadKeyFile(key, 0xD001), damaged == 0xD001u ? cut : objectIndex);
    EXPECT_EQ(scene_.KeyFiles(key).size(), 3u) << "no container file was made";
    scene_.WriteKeyFile(key, damaged, whole);
  }
  EXPECT_TRUE(P().CPReleaseContext(Acquire("box", kNewKeyset), 0));
}

TEST_F(Containers, VerifyContextsAndSilentOpens) {
  // No key at all: a verify context still opens; a silent open without a name chooses nothing.
  KqHandle prov = Acquire(nullptr, kVerifyContext);
  EXPECT_EQ(Text(prov, 6), "KQDefault_CTN");
  EXPECT_EQ(Text(prov, 43), "");
  EXPECT_EQ(Error(), 0x8009000Au);

  // PP_ENUMALGS (1) and PP_ENUMALGS_EX (22) keep cursors of their own; a size query with
  // CRYPT_FIRST moves none.
  uint8_t row[88] = {};
  uint32_t length = 0;
  ASSERT_TRUE(P().CPGetProvParam(prov, 1, nullptr, &length, 1));
  EXPECT_EQ(length, 32u);
  std::vector<uint32_t> ids;
  for (const auto& [param, flags] : {std::pair{1u, 0u}, {1u, 0u}, {22u, 1u}, {1u, 0u}}) {
    length = sizeof row;
    ASSERT_TRUE(P().CPGetProvParam(prov, param, row, &length, flags));
    EXPECT_EQ(length, param == 1 ? 32u : 88u);
    ids.push_back(row[0] | row[1] << 8);
  }
  EXPECT_EQ(ids, (std::vector<uint32_t>{0x6601, 0x6603, 0x6601, 0x8003}));
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  EXPECT_TRUE(P().CPReleaseContext(Acquire("", kVerifyContext | kSilent), 0));
  EXPECT_TRUE(P().CPReleaseContext(Acquire(nullptr, kSilent), 0));
  Acquire("x", 0, 0x80090020);  // no key to open

  const std::string key = AddKey();
  prov = Acquire(nullptr, kVerifyContext);
  EXPECT_EQ(Text(prov, 43), scene_.ReaderName(key));
  EXPECT_TRUE(P().CPReleaseContext(prov, 0));
  // Creating under CRYPT_SILENT cannot ask for the PIN.
  Acquire("quiet", kNewKeyset | kSilent, 0x80090022);
}

}  // namespace
}  // namespace kq::test
