#pragma once
// The built PKCS #11 module loaded as a client loads it, over a soft key holding an RSA 2048 key
// pair in a container with its certificate (issued by the test CA), initialised, with one open
// session on the key's slot.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "pkcs11/pkcs11_types.h"
#include "platform/dynamic_library.h"
#include "store/certificate_writing.h"
#include "store/container_record.h"
#include "store/containers.h"
#include "store/key_objects.h"
#include "store/public_key_object.h"
#include "support/softkey_scene.h"
#include "support/test_ca.h"

namespace kq::test {

class ModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    key_ = scene_.AddKey({.label = "module test", .keyPairs = {{1, 0, "rsa2048-a"}}});
    scene_.SetPinState(key_, std::nullopt, true);
    certificate_ =
        TestCa().IssueForKey(SoftKeyFixturePath("rsa2048-a").string(), "/CN=Module Test");
    StoreKeyPair("module-test", 1, certificate_);
    scene_.Replug(key_);
    library_ = platform::DynamicLibrary::Load(std::string(KQ_TEST_LIB_DIR) + "/" +
                                              platform::SharedLibraryFileName("kqpkcs11"));
    ASSERT_TRUE(library_.loaded());
    const auto get = reinterpret_cast<CK_C_GetFunctionList>(library_.Symbol("C_GetFunctionList"));
    ASSERT_NE(get, nullptr);
    ASSERT_EQ(get(&p11_), CKR_OK);
    ASSERT_EQ(p11_->C_Initialize(nullptr), CKR_OK);
    ASSERT_EQ(p11_->C_OpenSession(0, CKF_SERIAL_SESSION, nullptr, nullptr, &session_), CKR_OK);
  }
  void TearDown() override {
    p11_->C_Finalize(nullptr);
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

  // The handles of every object the template finds.
  std::vector<CK_OBJECT_HANDLE> Find(std::vector<CK_ATTRIBUTE> wanted, CK_RV* rv = nullptr) {
    std::vector<CK_OBJECT_HANDLE> found(16);
    CK_ULONG count = 0;
    const CK_RV init = p11_->C_FindObjectsInit(session_, wanted.data(), wanted.size());
    if (rv != nullptr) {
      *rv = init;
    }
    if (init != CKR_OK) {
      return {};
    }
    EXPECT_EQ(p11_->C_FindObjects(session_, found.data(), found.size(), &count), CKR_OK);
    EXPECT_EQ(p11_->C_FindObjectsFinal(session_), CKR_OK);
    found.resize(count);
    return found;
  }
  CK_OBJECT_HANDLE Object(CK_OBJECT_CLASS objectClass) {
    const auto found = Find({{CKA_CLASS, &objectClass, sizeof objectClass}});
    return found.size() == 1 ? found[0] : CK_INVALID_HANDLE;
  }
  // C_SignInit and C_Sign (SHA-256 over a short text) in the session: the first code not CKR_OK.
  CK_RV SignOnce(CK_OBJECT_HANDLE key, CK_SESSION_HANDLE session) const {
    CK_MECHANISM sha256 = {CKM_SHA256_RSA_PKCS, nullptr, 0};
    CK_BYTE data[] = "data";
    std::array<CK_BYTE, 256> signature{};
    CK_ULONG length = signature.size();
    const CK_RV rv = p11_->C_SignInit(session, &sha256, key);
    return rv == CKR_OK ? p11_->C_Sign(session, data, 4, signature.data(), &length) : rv;
  }
  CK_RV LoginUser(const char* pin = "12345678") {
    return p11_->C_Login(session_, CKU_USER,
                         reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin)),
                         std::char_traits<char>::length(pin));
  }

  SoftKeyScene scene_;
  std::string key_;
  std::vector<uint8_t> certificate_;
  platform::DynamicLibrary library_;
  CK_FUNCTION_LIST_PTR p11_ = nullptr;
  CK_SESSION_HANDLE session_ = CK_INVALID_HANDLE;
};

}  // namespace kq::test
