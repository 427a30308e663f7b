// The enrolment exports' other cases: refused requests, certificates that match no key, the
// exchange key's own certificate reference, several keys, and the copy left in D:/req.pem.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "enrolment_fixture.h"
#include "support/openssl_command.h"
#include "support/run_command.h"
#include "support/softkey_library.h"
#include "support/temp_directory.h"

namespace {

using kqtest::EnrolmentTest;

class EnrolmentCases : public EnrolmentTest {};

TEST_F(EnrolmentCases, RequestsRefusedByTheKeysUsages) {
  EXPECT_EQ(RequestStatus("CN=a|RSA1024|SHA1|1||CN=b|RSA1024|SHA1|1"), 6u);
  EXPECT_FALSE(scene.KeySlot(key, 1));
  ASSERT_EQ(CreateRequests("CN=a|RSA1024|SHA1|1").size(), 1u);
  EXPECT_EQ(RequestStatus("CN=c|RSA2048|SHA1|1"), 6u);
  scene.ImportKeyPair(key, {2, 0, "rsa1024-b"});  // a second key of usage 1: the key is refused
  EXPECT_EQ(RequestStatus("CN=d,T=Ex|RSA1024|SHA1|3"), 6u);
  ExpectAllClosed("the refused requests");
}

// A Chinese subject given in UTF-8 or in code page 936 (as Windows programs and KQ_GetAllCertDN
// write it) reaches the request as the same UTF-8; bytes that are neither are refused with 1.
TEST_F(EnrolmentCases, ChineseSubjectsReachTheRequestAsUtf8) {
  const std::string utf8 = "CN=\u5f20\u4e09,O=\u4e2d\u56fd\u94f6\u884c";
  const std::string cp936 = "CN=\xd5\xc5\xc8\xfd,O=\xd6\xd0\xb9\xfa\xd2\xf8\xd0\xd0";
  const std::string shown = "CN=\u5f20\u4e09, O=\u4e2d\u56fd\u94f6\u884c";
  const kq::test::TempDirectory dir;
  for (const std::string& text : {utf8 + "|RSA1024|SHA1|1", cp936 + ",T=S|RSA1024|SHA256|2"}) {
    const auto requests = CreateRequests(text);
    ASSERT_EQ(requests.size(), 1u) << text;
    const std::string path = dir.Write("request.der", requests[0]).string();
    const auto result = kq::test::RunOpenssl({"req", "-inform", "DER", "-in", path, "-verify",
                                              "-noout", "-subject", "-nameopt", "utf8"});
    const std::string printed = result.out + result.err;
    EXPECT_NE(printed.find("verify OK"), std::string::npos) << printed;
    EXPECT_NE(printed.find(shown), std::string::npos) << printed;
  }
  for (const std::string neither :
       {"CN=a\x81,T=Ex|RSA1024|SHA1|3", "CN=\x81 b,T=Ex|RSA1024|SHA1|3"}) {
    EXPECT_EQ(RequestStatus(neither), 1u);
  }
  EXPECT_FALSE(scene.KeySlot(key, 3));
  ExpectAllClosed("the Chinese subjects");
}

TEST_F(EnrolmentCases, ShortOutputStoresTheLengthAfterGenerating) {
  int32_t length = 0;
  EXPECT_EQ(RequestStatus("CN=a|RSA1024|SHA1|1", 10, &length), 8u);
  EXPECT_GT(length, 10);
  EXPECT_TRUE(scene.KeySlot(key, 1));
  ExpectAllClosed("the short output");
}

TEST_F(EnrolmentCases, GenerationCancelledOnTheKey) {
  scene.SetButton(key, "cancel:1");
  EXPECT_EQ(RequestStatus("CN=a|RSA1024|SHA1|1"), 16u);
  // The tool window hears before and after, the failure included.
  EXPECT_EQ(ToolEvents(),
            (std::vector<std::string>{"KQ_ORV_GENKEYPAIRMSGID 0 0", "KQ_ORV_GENKEYPAIRMSGID 2 0"}));
  ExpectAllClosed("the cancelled generation");
}

TEST_F(EnrolmentCases, CertificateOfNoKeyIsLeftOver) {
  const auto requests = CreateRequests("CN=mine|RSA1024|SHA1|1");
  auto issued = Issue(requests, {false});
  issued.push_back({{}, ca.IssueForFreshKey("/CN=stranger"), false});
  ASSERT_FALSE(issued.back().certificate.empty());
  listener.Drain();
  EXPECT_EQ(Install(JoinCertificates(issued)), 100u);
  EXPECT_EQ(ToolEvents(), (std::vector<std::string>{"KQ_ORV_IMPORTCERTMSGID 0 0"}));
  // The certificate that matched is installed all the same.
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{"CN=mine"}));
  ExpectAllClosed("the left-over certificate");

  std::string six;
  for (int i = 0; i < 6; ++i) {
    six += (i == 0 ? "" : "||") + kqtest::ToBase64(issued[0].certificate);
  }
  scene.ClearCounters(key);
  EXPECT_EQ(Install(six), 3u);
  EXPECT_EQ(scene.Calls(key, "ZANT_OpenDev"), 0);
  EXPECT_EQ(Install("   ||  "), 2u);
  EXPECT_EQ(Install(kqtest::ToBase64(issued[0].certificate), "739999999999"), 4u);
}

// Turns the container's signature key into its exchange key, as a provider container holds it.
void MoveToExchangeKey(kq::test::SoftKeyScene& scene, const std::string& key) {
  const auto be32 = [](const std::vector<uint8_t>& bytes, size_t at) {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
           (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
  };
  const auto index = scene.ReadKeyFile(key, 0xD001);
  ASSERT_TRUE(index);
  for (size_t slot = 0; slot + 10 <= index->size(); slot += 10) {
    if (be32(*index, slot) != 0x8043544E) {
      continue;
    }
    const uint32_t fileId = (uint32_t{(*index)[slot + 8]} << 8) | (*index)[slot + 9];
    auto object = scene.ReadKeyFile(key, fileId);
    ASSERT_TRUE(object);
    // CKA_VALUE (type 0x11, 12 bytes): move references 0..2 to 3..5.
    for (size_t at = 0; at + 8 <= object->size(); at += 8 + be32(*object, at + 4)) {
      if (be32(*object, at) == 0x11 && be32(*object, at + 4) == 12) {
        uint8_t* refs = object->data() + at + 8;
        std::copy(refs, refs + 6, refs + 6);
        std::fill(refs, refs + 6, 0xFF);
      }
    }
    scene.WriteKeyFile(key, fileId, *object);
    return;
  }
  FAIL() << "no container";
}

TEST_F(EnrolmentCases, ExchangeKeyCertificateKeepsToItsOwnReference) {
  const auto exchange = CreateRequests("CN=exchange,T=Ex|RSA1024|SHA1|3");
  MoveToExchangeKey(scene, key);
  const auto signature = CreateRequests("CN=signature,T=S|RSA2048|SHA1|2");
  const auto issuedExchange = Issue(exchange, {false});
  const auto issuedSignature = Issue(signature, {false});
  ASSERT_EQ(Install(JoinCertificates(issuedSignature)), 0u);
  ASSERT_EQ(Install(JoinCertificates(issuedExchange)), 0u);
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{"CN=exchange, T=Ex", "CN=signature, T=S"}));
  // Both certificates are found and both keys still sign.
  const std::vector<uint8_t> data = {1, 2, 3};
  const auto exchangeSigned = Sign(data, "CN=exchange, T=Ex");
  ASSERT_EQ(exchangeSigned.status, 0u);
  EXPECT_EQ(exchangeSigned.certificate, issuedExchange[0].certificate);
  EXPECT_TRUE(kqtest::OpensslVerifiesSignature(exchangeSigned.certificate, data,
                                               exchangeSigned.signature, "sha1"));
  // The function table reads each certificate under its own reference.
  KqFunctionList table{};
  ASSERT_EQ(lib.FunctionList(&table), 0u);
  const std::string reader = scene.ReaderName(key);
  const std::vector<std::string> names = ContainerNames();
  ASSERT_EQ(names.size(), 2u);
  const std::string& first = names.front();
  uint32_t signatureLength = 0;
  uint32_t exchangeLength = 0;
  ASSERT_EQ(table.GetContainerCertificates(reader.c_str(), mediaId.c_str(), first.c_str(), nullptr,
                                           &signatureLength, nullptr, &exchangeLength),
            0u);
  EXPECT_EQ(signatureLength, 0u);
  ASSERT_EQ(exchangeLength, issuedExchange[0].certificate.size());
  std::vector<uint8_t> der(exchangeLength);
  uint32_t shortLength = exchangeLength - 1;
  EXPECT_EQ(table.GetContainerCertificates(reader.c_str(), mediaId.c_str(), first.c_str(), nullptr,
                                           &signatureLength, der.data(), &shortLength),
            4u);
  ASSERT_EQ(table.GetContainerCertificates(reader.c_str(), mediaId.c_str(), first.c_str(), nullptr,
                                           &signatureLength, der.data(), &exchangeLength),
            0u);
  EXPECT_EQ(der, issuedExchange[0].certificate);
  // Deleting the exchange key's certificate takes its container, which has nothing else.
  uint32_t count = 0;
  ASSERT_EQ(lib.DeleteTempKeyOrCert("cn=EXCHANGE, t=ex", 0, mediaId.c_str(), &count), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{"CN=signature, T=S"}));
  EXPECT_EQ(ContainerNames().size(), 1u);
  ExpectAllClosed("the exchange key's certificate");
}

TEST_F(EnrolmentCases, KeysOfSeveralFamilies) {
  const std::string other = AddKey({.family = "72"});
  const std::string third = AddKey({.family = "71"});
  const std::string otherId = scene.MediaId(other);
  const auto requests = CreateRequests("CN=on 72|RSA1024|SHA1|1", otherId);
  ASSERT_EQ(requests.size(), 1u);
  const auto issued = Issue(requests, {false});
  // The certificate belongs to no key of the first family's key.
  EXPECT_EQ(Install(JoinCertificates(issued)), 100u);
  ASSERT_EQ(Install(JoinCertificates(issued), otherId), 0u);
  EXPECT_TRUE(ListSubjects().empty());
  EXPECT_EQ(ListSubjects(otherId), (std::vector<std::string>{"CN=on 72"}));
  EXPECT_TRUE(ListSubjects(scene.MediaId(third)).empty());
  const auto signed_ = Sign({9, 9, 9}, "CN=on 72");
  ASSERT_EQ(signed_.status, 0u);
  char identity[16] = {};
  uint32_t size = sizeof identity;
  ASSERT_EQ(lib.GetDeviceSN("CN=on 72", identity, &size), 0u);
  EXPECT_EQ(std::string(identity, 12), otherId);
  uint32_t count = 0;
  EXPECT_EQ(lib.DeleteTempKeyOrCert("CN=on 72", 0, mediaId.c_str(), &count), 1005u);
  EXPECT_EQ(count, 0u);
  ExpectAllClosed("the keys of several families");
}

TEST_F(EnrolmentCases, RequestsAreCopiedToDriveD) {
  const kq::test::TempDirectory work;
  std::filesystem::create_directory(work.path() / "D:");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(work.path());
  const std::string text = "CN=copy|RSA1024|SHA1|1";
  std::string out(1500, '\0');
  int32_t length = 1500;
  const uint32_t status = lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()),
                                           mediaId.c_str(), out.data(), &length);
  std::filesystem::current_path(before);
  ASSERT_EQ(status, 0u);
  out.resize(static_cast<size_t>(length));
  EXPECT_EQ(kq::test::ReadText((work.path() / "D:" / "req.pem").string()), out);
}

TEST_F(EnrolmentCases, PublicKeySignatureValues) {
  const std::string holder =
      AddKey({.keyPairs = {{1, 0, "rsa2048-a"}, {2, 1, "rsa1024-a"}, {3, 2, "sm2-a"}}});
  const std::string holderId = scene.MediaId(holder);
  // Items from the key's own public keys, read as a bank tool would know them.
  auto item = [&](uint32_t slot) {
    const auto& device = kq::test::SoftKeyLibrary::Instance();
    kq::test::SoftKeyHandle handle(scene.ReaderName(holder));
    uint8_t modulus[1024];
    uint32_t modulusLength = sizeof modulus;
    uint8_t exponent[128];
    uint32_t exponentLength = sizeof exponent;
    uint32_t bits = 0;
    EXPECT_EQ(device.ReadRSAPub(handle.get(), slot, &bits, modulus, &modulusLength, exponent,
                                &exponentLength, 0),
              0u);
    std::vector<uint8_t> out = {static_cast<uint8_t>(modulusLength >> 8),
                                static_cast<uint8_t>(modulusLength)};
    out.insert(out.end(), modulus, modulus + modulusLength);
    out.push_back(static_cast<uint8_t>(exponentLength >> 8));
    out.push_back(static_cast<uint8_t>(exponentLength));
    out.insert(out.end(), exponent, exponent + exponentLength);
    return out;
  };
  const int callerData = 42;
  // The export over `list` (its first `size` bytes when given) into `out`.
  auto values = [&](const std::vector<uint8_t>& list, uint8_t* out, int32_t* length,
                    int32_t size = -1) {
    return lib.GetPubKeySignValue(&callerData, holderId.c_str(), list.data(),
                                  size < 0 ? static_cast<int32_t>(list.size()) : size, out, length);
  };
  std::vector<uint8_t> list = item(2);
  list.insert(list.end(), {'|', '|'});
  const auto second = item(1);
  list.insert(list.end(), second.begin(), second.end());
  int32_t length = 0;
  ASSERT_EQ(values(list, nullptr, &length), 0u);
  EXPECT_EQ(length, 800);
  std::vector<uint8_t> out(static_cast<size_t>(length));
  ASSERT_EQ(values(list, out.data(), &length), 0u);
  out.resize(static_cast<size_t>(length));
  // Two values in list order, joined by "||": the 1024-bit key's first.
  ASSERT_GT(out.size(), 2u);
  EXPECT_EQ(out[4], 2);  // the soft key's value names the key number it came from
  int32_t shortLength = length - 1;
  EXPECT_EQ(values(list, out.data(), &shortLength), 1101u);
  EXPECT_EQ(shortLength, length);

  // A key that is not on the device, malformed lists, and an SM2 key, for which the key computes
  // no value.
  std::vector<uint8_t> stranger = item(1);
  stranger[2] ^= 0xFF;
  length = 4000;
  out.resize(4000);
  EXPECT_EQ(values(stranger, out.data(), &length), 1009u);
  std::vector<uint8_t> oneBlank = item(2);
  oneBlank.push_back(' ');
  EXPECT_EQ(values(oneBlank, out.data(), &length), 4003u);
  oneBlank.push_back(' ');
  EXPECT_EQ(values(oneBlank, out.data(), &length), 0u);
  EXPECT_EQ(values(oneBlank, out.data(), &length, 3), 4001u);
  EXPECT_EQ(values(item(3), out.data(), &length), 4007u);
  ExpectAllClosed("KQ_GetPubKeySignValue");
}

TEST_F(EnrolmentCases, KeyRefusingToHashOrSignAndLockedPin) {
  const auto requests = CreateRequests("CN=teller,T=S|RSA2048|SHA256|2");
  ASSERT_EQ(Install(JoinCertificates(Issue(requests, {false}))), 0u);
  const auto message = kqtest::TransactionMessage("PAY4", "x", "y");
  scene.SetProcessFaults("RSAPrivateSignEx:1:0x6B05");
  EXPECT_EQ(Sign(message, "CN=teller, T=S").status, 1002u);
  scene.SetProcessFaults("RSAPrivateSignEx:1:0x6B01");
  EXPECT_EQ(Sign(message, "CN=teller, T=S").status, 3003u);
  scene.SetProcessFaults("GetData:1:0x6F00");
  EXPECT_EQ(Sign(message, "CN=teller, T=S").status, 3003u);
  scene.SetProcessFaults("");
  // 3001 and 3003 each mean two things: the last error tells which, and kqtool prints it.
  EXPECT_EQ(lib.LastError(), kq::win::kNteFail);
  scene.SetPinAnswers("unavailable");
  EXPECT_EQ(Sign(message, "CN=teller, T=S").status, 3001u);
  EXPECT_EQ(lib.LastError(), kq::win::kScardCardNotAuthenticated);
  scene.SetPinAnswers("12345678");
  scene.SetPinState(key, 0, false);
  EXPECT_EQ(Sign(message, "CN=teller, T=S").status, 3003u);
  EXPECT_EQ(lib.LastError(), kq::win::kScardChvBlocked);
  const kq::test::CommandResult kqtool =
      kq::test::RunCommand({KQ_TEST_BIN_DIR "/kqtool", "sign", "--subject", "CN=teller, T=S",
                            "--transaction", "PAY4|x|y"});
  EXPECT_NE(kqtool.out.find("FAILED: 3003 SIG_PIN_LOCKED: the PIN is locked"), std::string::npos)
      << kqtool.out << kqtool.err;
  scene.SetPinState(key, 6, false);
  // A signature buffer big enough for the reserved size but not for what the key returns is
  // told apart only after signing; one too small for the reserved size spares the user the key.
  std::vector<uint8_t> signature(255);
  int32_t signatureLength = 255;
  std::vector<uint8_t> certificate(4096);
  uint32_t certificateLength = 4096;
  scene.ClearCounters(key);
  EXPECT_EQ(lib.GetSignature(message.data(), static_cast<uint32_t>(message.size()),
                             "CN=teller, T=S", 14, nullptr, 0, signature.data(), &signatureLength,
                             certificate.data(), &certificateLength),
            1004u);
  EXPECT_EQ(signatureLength, 256);
  EXPECT_EQ(scene.Calls(key, "ZANT_RSAPrivateSignEx"), 0);
  ExpectAllClosed("the refusals");
}

}  // namespace
