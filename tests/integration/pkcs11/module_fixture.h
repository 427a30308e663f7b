#pragma once
// The built PKCS #11 module (support/module_session.h) over a soft key holding an RSA 2048 key pair
// in a container with its certificate (issued by the test CA), with one open session on its slot.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/device_session.h"
#include "store/certificate_writing.h"
#include "store/container_record.h"
#include "store/containers.h"
#include "store/key_objects.h"
#include "store/public_key_object.h"
#include "support/module_session.h"
#include "support/softkey_scene.h"
#include "support/test_ca.h"

namespace kq::test {

class ModuleTest : public ::testing::Test, protected ModuleSession {
 protected:
  void SetUp() override {
    key_ = scene_.AddKey({.label = "module test", .keyPairs = {{1, 0, "rsa2048-a"}}});
    scene_.SetPinState(key_, std::nullopt, true);
    certificate_ =
        TestCa().IssueForKey(SoftKeyFixturePath("rsa2048-a").string(), "/CN=Module Test");
    StoreKeyPair("module-test", 1, certificate_);
    scene_.Replug(key_);
    ASSERT_EQ(Open(), CKR_OK) << problem_;
  }
  void TearDown() override {
    Close();
    EXPECT_EQ(scene_.OpenHandles(key_), 0);
  }

  // A container holding the device key in `slot` as its signature pair, with its certificate.
  void StoreKeyPair(const std::string& name, uint8_t slot, const std::vector<uint8_t>& der) {
    DeviceSession session;
    ASSERT_EQ(session.Open(scene_.ReaderName(key_)), 0u);
    ASSERT_EQ(store::CreateContainer(session, name), 0u);
    store::ContainerInfo info;
    ASSERT_EQ(store::FindContainer(session, name, info), 0u);
    store::DevicePublicKey publicKey;
    ASSERT_EQ(store::ReadDevicePublicKey(session, slot, publicKey), 0u);
    uint16_t publicId = 0;
    uint16_t privateId = 0;
    ASSERT_EQ(store::WriteKeyObjects(session, {name, slot, publicKey.first, publicKey.second, {}},
                                     publicId, privateId),
              0u);
    store::ContainerRefs refs{};
    refs[store::kSignaturePublicKey] = publicId;
    refs[store::kSignaturePrivateKey] = privateId;
    ASSERT_EQ(store::SetContainerRefs(session, info.fileId, refs,
                                      store::RefMask(store::kSignaturePublicKey) |
                                          store::RefMask(store::kSignaturePrivateKey)),
              0u);
    ASSERT_EQ(store::WriteCertificate(session, name, store::kAtSignature, der), 0u);
  }

  SoftKeyScene scene_;
  std::string key_;
  std::vector<uint8_t> certificate_;
};

}  // namespace kq::test
