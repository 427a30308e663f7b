// The tool exports as the bank's tools reach them on a deployed machine, beside the tool's
// windows: kqcsp.dll loaded by name (the system directory's copy: nothing is beside the program);
// an enrolment's RSA request is decoded and verified by crypt32 and certified by a crypt32 CA. (The
// installer's test checks KQ_CheckDriver and KQ_CheckCSP.) The provider sends its registered
// messages to the first top-level window that carries the tool-window marker with value 1 (before
// and after key generation and certificate installation), and broadcasts the PIN state to every
// window. A key certified through CryptoAPI's KP_CERTIFICATE signs a message through crypt32.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "kqcsp.h"
#include "support/softkey_scene.h"
#include "tool_windows.h"
#include "win/support/dialog_driver.h"
#include "win/support/win_crypt.h"

namespace kq::wintest {
namespace {

const std::string kKeyPair = "KQ_ORV_GENKEYPAIRMSGID";
const std::string kImport = "KQ_ORV_IMPORTCERTMSGID";
const std::string kRefreshPin(kRefreshPinEvent);

Events PinBroadcasts(const ToolWindow& tool, size_t count) {
  return Arrived(tool, count, true);
}

class ToolExports : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(EnterPrivateDesktop()) << GetLastError(); }

  test::SoftKeyScene scene_;
};

TEST_F(ToolExports, AnEnrolmentCheckedByCrypt32NotifiesTheFirstMarkedWindow) {
  const auto createPkcs10 = ToolExport<decltype(KQ_CreatePKCS10)>("KQ_CreatePKCS10");
  const auto writePkcs7 = ToolExport<decltype(KQ_WritePKCS7)>("KQ_WritePKCS7");
  const auto getAllCertDn = ToolExport<decltype(KQ_GetAllCertDN)>("KQ_GetAllCertDN");
  ASSERT_TRUE(createPkcs10 && writePkcs7 && getAllCertDn) << GetLastError();

  scene_.AddKey();
  const std::string mediaId = scene_.MediaId(scene_.AddKey());  // reader 1
  scene_.SetPinAnswers("12345678");
  const ToolWindow first(1);
  const ToolWindow second(1);
  const ToolWindow unmarked(2);  // a marker value other than 1 marks nothing
  ASSERT_TRUE(first.window() && second.window() && unmarked.window());
  const bool firstLeads = first.Precedes(second);
  // The window with the wrong value comes first, so a marker test that ignored it would choose it.
  EXPECT_TRUE(unmarked.Precedes(first) && unmarked.Precedes(second));

  // No attributes element, as the bank's tools receive them. (Wine quotes some
  // values with a blank in them, so the organisation has none.)
  const std::string text =
      "CN=Tool Signer,O=DemoBank|RSA2048|SHA256|1||CN=SM2 Holder,T=Ex|SM2|SM3|3";
  int32_t length = 6000;
  std::string output(static_cast<size_t>(length), '\0');
  ASSERT_EQ(createPkcs10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                         output.data(), &length),
            0u);
  output.resize(static_cast<size_t>(length));
  const size_t split = output.find("||");
  const CertificateRequest rsa(FromBase64(output.substr(0, split)));
  ASSERT_TRUE(rsa.read);
  EXPECT_TRUE(rsa.SignatureVerifies()) << std::hex << GetLastError();
  EXPECT_EQ(NameText(rsa.subjectName), L"CN=Tool Signer, O=DemoBank");
  EXPECT_STREQ(rsa.publicKey().Algorithm.pszObjId, szOID_RSA_RSA);
  // crypt32 cannot verify SM2; it must still read the request.
  const CertificateRequest sm2(FromBase64(output.substr(split + 2)));
  ASSERT_TRUE(sm2.read);
  EXPECT_EQ(NameText(sm2.subjectName), L"CN=SM2 Holder, T=Ex");
  EXPECT_STREQ(sm2.publicKey().Algorithm.pszObjId, szOID_ECC_PUBLIC_KEY);

  Crypt32Ca ca;
  ASSERT_TRUE(ca.ready());
  const Bytes certificate = ca.Issue(rsa.subjectName, rsa.publicKeyInfo);
  const std::string list = ToBase64(certificate);
  ASSERT_EQ(writePkcs7(mediaId.c_str(), list.c_str(), static_cast<int32_t>(list.size())), 0u);

  // Certificate installation names the reader in lParam.
  const Events generated = {kKeyPair + " 0 0", kKeyPair + " 1 0"};
  EXPECT_EQ(Arrived(firstLeads ? first : second, 6),
            (Events{generated[0], generated[1], generated[0], generated[1], kImport + " 0 1",
                    kImport + " 1 1"}));
  EXPECT_EQ(Only((firstLeads ? second : first).Logged(), false), Events{});
  EXPECT_EQ(Only(unmarked.Logged(), false), Events{});
  // The PIN login is broadcast to every window: (reader << 8) | 6 after the right PIN.
  for (const ToolWindow* tool : {&first, &second, &unmarked}) {
    EXPECT_EQ(PinBroadcasts(*tool, 1), Events{kRefreshPin + " 262 0"});
  }

  char subjects[200] = {};
  length = sizeof subjects;
  ASSERT_EQ(getAllCertDn(mediaId.c_str(), subjects, &length), 0u);
  EXPECT_EQ(std::string(subjects, static_cast<size_t>(length)), "CN=Tool Signer, O=DemoBank");
}

TEST_F(ToolExports, CryptoApiEventsPinBroadcastsAndAMessageSignedWithTheCertifiedKey) {
  scene_.AddKey();
  scene_.SetPinAnswers("00000000,12345678");
  const ToolWindow tool(1);
  ASSERT_NE(tool.window(), nullptr);

  CryptContext prov;
  {
    // The wrong PIN is reported in a message box, answered as a user would.
    BackgroundCall call([&] {
      return CryptAcquireContextW(prov.out(), L"notified", kProviderName, PROV_RSA_FULL,
                                  CRYPT_NEWKEYSET);
    });
    HWND box = WaitForDialog(kMessageBoxText);
    ASSERT_NE(box, nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);  // a click needs the input desktop
    ASSERT_TRUE(call.Finish());
    ASSERT_TRUE(call.result()) << std::hex << call.error();
  }
  CryptKey key;
  ASSERT_TRUE(CryptGenKey(prov.get(), AT_SIGNATURE, 1024u << 16, key.out()))
      << std::hex << GetLastError();
  Crypt32Ca ca;
  ASSERT_TRUE(ca.ready());
  const Bytes certificate = ca.Issue(EncodeName(L"CN=Notified Signer"), PublicKeyInfo(prov.get()));
  ASSERT_TRUE(CryptSetKeyParam(key.get(), KP_CERTIFICATE, certificate.data(), 0))
      << std::hex << GetLastError();

  EXPECT_EQ(Arrived(tool, 4),
            (Events{kKeyPair + " 0 0", kKeyPair + " 1 0", kImport + " 0 0", kImport + " 1 0"}));
  // (reader << 8) + tries left after the wrong PIN, then (reader << 8) | 6 after the right one.
  EXPECT_EQ(PinBroadcasts(tool, 2), (Events{kRefreshPin + " 5 0", kRefreshPin + " 6 0"}));

  // The key's certificate, read back, signs through crypt32 by the provider's name.
  scene_.SetPinAnswers("12345678");
  key.Reset();
  prov.Reset();
  const CertificateContext signer(CertCreateCertificateContext(
      X509_ASN_ENCODING, certificate.data(), static_cast<DWORD>(certificate.size())));
  ASSERT_NE(signer.get(), nullptr);
  wchar_t container[] = L"notified";
  wchar_t provider[] = L"KQCSP For ORV v2.0";
  CRYPT_KEY_PROV_INFO where{container, provider, PROV_RSA_FULL, 0, 0, nullptr, AT_SIGNATURE};
  ASSERT_TRUE(
      CertSetCertificateContextProperty(signer.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &where));
  const std::string text = "pay 100.00 CNY to 6222 0000 1111 2222";
  Bytes message = SignMessage(signer.get(), text);
  ASSERT_FALSE(message.empty()) << std::hex << GetLastError();
  EXPECT_EQ(VerifiedContent(message), text) << std::hex << GetLastError();
  // The signature value ends the message: one flipped bit there and crypt32 refuses it.
  message.back() ^= 0x01;
  EXPECT_EQ(VerifiedContent(message), std::nullopt);
}

}  // namespace
}  // namespace kq::wintest
