// The tool exports as the bank's tools reach them on a deployed machine: kqcsp.dll loaded by name
// from the system directory, the checks against the real registry, and an enrolment whose RSA
// request crypt32 decodes and verifies, whose certificate a crypt32 CA issues, and whose signature
// Wine's Microsoft provider verifies.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/softkey_scene.h"
#include "win/support/crypt32_ca.h"
#include "win/support/crypt_handles.h"
#include "win/support/tool_library.h"

#include <gtest/gtest.h>

namespace kq::wintest {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  size_t at = 0;
  for (size_t next; (next = text.find(separator, at)) != std::string::npos;
       at = next + separator.size()) {
    pieces.push_back(text.substr(at, next - at));
  }
  pieces.push_back(text.substr(at));
  return pieces;
}

class ToolExports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(lib.module(), nullptr) << "LoadLibraryW(kqcsp.dll): " << GetLastError();
    ASSERT_NE(lib.GetSignature, nullptr);
    scene.SetPinAnswers("12345678");
  }
  const ToolLibrary& lib = ToolLibrary::Get();
  test::SoftKeyScene scene;
};

TEST_F(ToolExports, TheSystemCopyAnswersFromTheRegistryAndFindsTheKeys) {
  wchar_t loaded[MAX_PATH] = {};
  GetModuleFileNameW(lib.module(), loaded, MAX_PATH);
  wchar_t system[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  EXPECT_EQ(_wcsicmp(std::filesystem::path(loaded).parent_path().wstring().c_str(), system), 0)
      << std::filesystem::path(loaded);

  char message[32] = {};
  EXPECT_EQ(lib.CheckDriver(message), 1u) << message;
  EXPECT_EQ(lib.CheckCSP(message), 1u) << message;
  EXPECT_EQ(lib.CheckDevice(message), 0u);  // no key yet

  const std::string first = scene.AddKey();
  const std::string second = scene.AddKey({.family = "72"});
  const std::string third = scene.AddKey();
  EXPECT_EQ(lib.CheckDevice(nullptr), 1u);
  char ids[100] = {};
  int32_t length = sizeof ids;
  ASSERT_EQ(lib.GetMediaID(ids, &length, 1), 0u);
  const std::string expected = scene.MediaId(first) + "|" + scene.MediaId(third);
  EXPECT_EQ(std::string(ids), expected);
  EXPECT_EQ(length, static_cast<int32_t>(expected.size() + 1));
  length = sizeof ids;
  ASSERT_EQ(lib.GetMediaID(ids, &length, 0), 0u);
  EXPECT_EQ(std::string(ids), scene.MediaId(second));
}

TEST_F(ToolExports, AnEnrolmentThatCrypt32AndTheMicrosoftProviderCheck) {
  const std::string key = scene.AddKey();
  const std::string mediaId = scene.MediaId(key);
  const std::string text =
      "CN=Tool Signer,O=DemoBank|RSA2048|SHA256|1||CN=SM2 Holder,T=Ex|SM2|SM3|3";
  int32_t length = 0;
  ASSERT_EQ(lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                             nullptr, &length),
            0u);
  std::string output(static_cast<size_t>(length), '\0');
  ASSERT_EQ(lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                             output.data(), &length),
            0u);
  output.resize(static_cast<size_t>(length));
  const std::vector<std::string> encoded = Split(output, "||");
  ASSERT_EQ(encoded.size(), 2u) << output;

  // Version 1 and no attributes element, as the bank's tools receive them. (Wine quotes some
  // values with a blank in them, so the organisation has none.)
  const CertificateRequest rsa(FromBase64(encoded[0]));
  ASSERT_EQ(rsa.problem(), "");
  EXPECT_EQ(rsa.version(), 1);
  EXPECT_EQ(rsa.partCount(), 3u);
  EXPECT_TRUE(rsa.SignatureVerifies()) << std::hex << GetLastError();
  EXPECT_EQ(rsa.SubjectText(), L"CN=Tool Signer, O=DemoBank");
  EXPECT_STREQ(rsa.publicKey().Algorithm.pszObjId, szOID_RSA_RSA);
  // crypt32 cannot verify SM2; it must still read the request.
  const CertificateRequest sm2(FromBase64(encoded[1]));
  ASSERT_EQ(sm2.problem(), "");
  EXPECT_EQ(sm2.partCount(), 3u);
  EXPECT_EQ(sm2.SubjectText(), L"CN=SM2 Holder, T=Ex");
  EXPECT_STREQ(sm2.publicKey().Algorithm.pszObjId, szOID_ECC_PUBLIC_KEY);

  Crypt32Ca ca;
  ASSERT_EQ(ca.problem(), "");
  const Bytes certificate = ca.Issue(rsa.subject(), rsa.publicKey());
  ASSERT_FALSE(certificate.empty()) << std::hex << GetLastError();
  const std::string list = ToBase64(certificate);
  ASSERT_EQ(lib.WritePKCS7(mediaId.c_str(), list.c_str(), static_cast<int32_t>(list.size())), 0u);

  char subjects[200] = {};
  length = sizeof subjects;
  ASSERT_EQ(lib.GetAllCertDN(mediaId.c_str(), subjects, &length), 0u);
  const std::string subject(subjects, static_cast<size_t>(length));
  EXPECT_EQ(subject, "CN=Tool Signer, O=DemoBank");

  const Bytes data = {'p', 'a', 'y', ' ', '1', '0', '0', '.', '0', '0'};
  Bytes signature(512);
  Bytes signerCertificate(4096);
  int32_t signatureLength = static_cast<int32_t>(signature.size());
  uint32_t certificateLength = static_cast<uint32_t>(signerCertificate.size());
  ASSERT_EQ(lib.GetSignature(data.data(), static_cast<uint32_t>(data.size()), subject.c_str(),
                             static_cast<uint32_t>(subject.size()), "SHA256", 6, signature.data(),
                             &signatureLength, signerCertificate.data(), &certificateLength),
            0u);
  signature.resize(static_cast<size_t>(signatureLength));
  signerCertificate.resize(certificateLength);
  EXPECT_EQ(signerCertificate, certificate);
  ASSERT_EQ(signature.size(), 256u);
  // The export gives the signature as the key computes it, most significant byte first;
  // CryptoAPI reads it the other way round.
  std::reverse(signature.begin(), signature.end());
  std::string why;
  EXPECT_TRUE(MicrosoftProviderVerifies(PublicKeyBlobOf(rsa.publicKey()), CALG_SHA_256,
                                        MicrosoftProviderDigest(CALG_SHA_256, data), signature,
                                        &why))
      << why;
}

}  // namespace
}  // namespace kq::wintest
