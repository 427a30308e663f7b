// The enrolment exports' other cases: refused requests, certificates that match no key, the
// exchange key's own certificate reference, several keys, public-key values and refused signing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/codes_cryptoapi.h"
#include "enrolment_fixture.h"
#include "support/softkey_library.h"

namespace {

using kqtest::EnrolmentTest;

class EnrolmentCases : public EnrolmentTest {};

TEST_F(EnrolmentCases, RefusedRequests) {
  EXPECT_EQ(RequestStatus("CN=a|RSA1024|SHA1|1||CN=b|RSA1024|SHA1|1"), 6u);  // one key per usage
  // Bytes that are neither UTF-8 nor code page 936.
  EXPECT_EQ(RequestStatus("CN=\x81 b,T=Ex|RSA1024|SHA1|3"), 1u);
  scene.SetButton(key, "cancel:1");
  EXPECT_EQ(RequestStatus("CN=a|RSA1024|SHA1|1"), 16u);
  // The tool window hears before and after, the failure included.
  EXPECT_EQ(ToolEvents(),
            (std::vector<std::string>{"KQ_ORV_GENKEYPAIRMSGID 0 0", "KQ_ORV_GENKEYPAIRMSGID 2 0"}));
  EXPECT_FALSE(scene.KeySlot(key, 1));
  EXPECT_FALSE(scene.KeySlot(key, 3));
  // A short output buffer is told the length needed before anything is generated.
  scene.SetButton(key, "ok:1");
  int32_t length = 0;
  EXPECT_EQ(RequestStatus("CN=a|RSA1024|SHA1|1", 10, &length), 8u);
  EXPECT_EQ(length, 1500);
  EXPECT_FALSE(scene.KeySlot(key, 1));
  EXPECT_EQ(RequestStatus("CN=a|RSA1024|SHA1|1"), 0u);
  EXPECT_TRUE(scene.KeySlot(key, 1));
  // The key now holds a key of usage 1; with a second one, usage 3 is refused too.
  EXPECT_EQ(RequestStatus("CN=c|RSA2048|SHA1|1"), 6u);
  scene.ImportKeyPair(key, {2, 0, "rsa1024-b"});
  EXPECT_EQ(RequestStatus("CN=d,T=Ex|RSA1024|SHA1|3"), 6u);
  ExpectAllClosed("the refused requests");
}

// Certificates are installed on the key they belong to, among keys of several families.
TEST_F(EnrolmentCases, CertificatesOfOtherKeysAreLeftOver) {
  const std::string otherId = scene.MediaId(AddKey({.family = "72"}));
  const auto onOther = Issue(CreateRequests("CN=on 72|RSA1024|SHA1|1", otherId));
  auto issued = Issue(CreateRequests("CN=mine|RSA1024|SHA1|1"));
  issued.push_back(onOther[0]);
  issued.push_back(ca.IssueForFreshKey("/CN=stranger"));
  listener.Drain();
  EXPECT_EQ(Install(JoinCertificates(issued)), 100u);
  EXPECT_EQ(ToolEvents(), (std::vector<std::string>{"KQ_ORV_IMPORTCERTMSGID 0 0"}));
  // The certificate that matched is installed all the same.
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{"CN=mine"}));
  ASSERT_EQ(Install(JoinCertificates(onOther), otherId), 0u);
  EXPECT_EQ(ListSubjects(otherId), (std::vector<std::string>{"CN=on 72"}));
  ASSERT_EQ(Sign({9, 9, 9}, "CN=on 72").status, 0u);
  uint32_t count = 0;
  EXPECT_EQ(lib.DeleteTempKeyOrCert("CN=on 72", 0, mediaId.c_str(), &count), 1005u);
  EXPECT_EQ(count, 0u);
  ExpectAllClosed("the left-over certificates");

  const std::string one = kqtest::ToBase64(issued[0]);
  scene.ClearCounters(key);
  EXPECT_EQ(Install(one + "||" + one + "||" + one + "||" + one + "||" + one + "||" + one), 3u);
  EXPECT_EQ(scene.Calls(key, "ZANT_OpenDev"), 0);
  EXPECT_EQ(Install("   ||  "), 2u);
  EXPECT_EQ(Install(one, "739999999999"), 4u);
}

TEST_F(EnrolmentCases, ExchangeKeyCertificateKeepsToItsOwnReference) {
  const auto exchange = CreateRequests("CN=exchange,T=Ex|RSA1024|SHA1|3");
  {
    // The new container's key pair becomes its exchange pair, as a provider container holds it.
    kq::DeviceSession session;
    ASSERT_EQ(session.Open(scene.ReaderName(key)), 0u);
    ASSERT_EQ(session.VerifyPIN("12345678", 8), 0u);
    std::vector<kq::store::ContainerInfo> containers;
    ASSERT_EQ(kq::store::ListContainers(session, containers), 0u);
    ASSERT_EQ(containers.size(), 1u);
    const auto& refs = containers[0].refs;
    ASSERT_EQ(
        kq::store::SetContainerRefs(session, containers[0].fileId,
                                    {0xFFFF, 0xFFFF, 0xFFFF, refs[0], refs[1], refs[2]}, 0x3F),
        0u);
  }
  const auto signature = CreateRequests("CN=signature,T=S|RSA2048|SHA1|2");
  const auto issuedExchange = Issue(exchange);
  ASSERT_EQ(Install(JoinCertificates(Issue(signature))), 0u);
  ASSERT_EQ(Install(JoinCertificates(issuedExchange)), 0u);
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{"CN=exchange, T=Ex", "CN=signature, T=S"}));
  // The certificate is found and its key signs.
  const std::vector<uint8_t> data = {1, 2, 3};
  const auto exchangeSigned = Sign(data, "CN=exchange, T=Ex");
  ASSERT_EQ(exchangeSigned.status, 0u);
  EXPECT_EQ(exchangeSigned.certificate, issuedExchange[0]);
  // The function table reads the certificate under its own reference.
  KqFunctionList table{};
  ASSERT_EQ(lib.FunctionList(&table), 0u);
  const std::string reader = scene.ReaderName(key);
  const std::vector<std::string> names = ContainerNames();
  ASSERT_EQ(names.size(), 2u);
  std::vector<uint8_t> der(4096);
  uint32_t signatureLength = 0;
  uint32_t exchangeLength = 10;
  const auto read = [&] {
    return table.GetContainerCertificates(reader.c_str(), mediaId.c_str(), names[0].c_str(),
                                          nullptr, &signatureLength, der.data(), &exchangeLength);
  };
  EXPECT_EQ(read(), 4u);  // too short
  exchangeLength = 4096;
  ASSERT_EQ(read(), 0u);
  EXPECT_EQ(signatureLength, 0u);
  der.resize(exchangeLength);
  EXPECT_EQ(der, issuedExchange[0]);
  // Deleting the exchange key's certificate takes its container, which has nothing else.
  uint32_t count = 0;
  ASSERT_EQ(lib.DeleteTempKeyOrCert("cn=EXCHANGE, t=ex", 0, mediaId.c_str(), &count), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{"CN=signature, T=S"}));
  EXPECT_EQ(ContainerNames().size(), 1u);
  ExpectAllClosed("the exchange key's certificate");
}

TEST_F(EnrolmentCases, PublicKeySignatureValues) {
  const std::string holder =
      AddKey({.keyPairs = {{1, 0, "rsa2048-a"}, {2, 1, "rsa1024-a"}, {3, 2, "sm2-a"}}});
  const std::string holderId = scene.MediaId(holder);
  const auto item = [&](uint32_t slot) { return PublicKeyItem(holder, slot); };
  const int callerData = 42;
  std::vector<uint8_t> out(4000);
  int32_t length = 0;
  const auto values = [&](const std::vector<uint8_t>& list, uint8_t* into) {
    return lib.GetPubKeySignValue(&callerData, holderId.c_str(), list.data(),
                                  static_cast<int32_t>(list.size()), into, &length);
  };
  std::vector<uint8_t> list = item(2);  // two keys, joined by "||"
  const auto second = item(1);
  list.insert(list.end(), {'|', '|'});
  list.insert(list.end(), second.begin(), second.end());
  ASSERT_EQ(values(list, nullptr), 0u);
  EXPECT_EQ(length, 800);
  ASSERT_EQ(values(list, out.data()), 0u);
  EXPECT_EQ(out[4], 2);  // values in list order: the soft key's value names the key number
  const int32_t needed = length;
  --length;
  EXPECT_EQ(values(list, out.data()), 1101u);
  EXPECT_EQ(length, needed);

  // A key that is not on the device, a malformed list (the parser is unit-tested), and an SM2 key,
  // for which the key computes no value.
  std::vector<uint8_t> stranger = item(1);
  stranger[2] ^= 0xFF;
  std::vector<uint8_t> oneBlank = item(2);
  oneBlank.push_back(' ');
  for (const auto& [input, code] :
       {std::pair{stranger, 1009u}, {oneBlank, 4003u}, {item(3), 4007u}}) {
    length = 4000;
    EXPECT_EQ(values(input, out.data()), code) << input.size();
  }
  ExpectAllClosed("KQ_GetPubKeySignValue");
}

// Signing refused by the key, the PIN or the caller's buffer. 3001 and 3003 each mean two things:
// the last error tells which.
TEST_F(EnrolmentCases, SignatureRefusals) {
  ASSERT_EQ(Install(JoinCertificates(Issue(CreateRequests("CN=teller,T=S|RSA2048|SHA256|2")))), 0u);
  const auto message = kqtest::TransactionMessage("PAY4", "x", "y");
  // The fault plan, the PIN entry's answers, the code and the last error (0: not checked).
  for (const auto& [faults, pins, code, lastError] :
       {std::tuple{"RSAPrivateSignEx:1:0x6B05", "12345678", 1002u, 0u},
        {"RSAPrivateSignEx:1:0x6B01", "12345678", 3003u, kq::win::kNteFail},
        {"GetData:1:0x6F00", "12345678", 3003u, kq::win::kNteFail},
        // The key's object index cannot be read: as when no certificate matches.
        {"ReadFile:1+:0x6A82", "12345678", 2008u, 0u},
        {"", "unavailable", 3001u, kq::win::kScardCardNotAuthenticated}}) {
    scene.SetProcessFaults(faults);
    scene.SetPinAnswers(pins);
    EXPECT_EQ(Sign(message, "CN=teller, T=S").status, code) << faults << pins;
    EXPECT_TRUE(lastError == 0 || lib.GetLastError() == lastError) << faults << pins;
  }
  scene.SetProcessFaults("");
  scene.SetPinAnswers("12345678");
  scene.SetPinState(key, 0, false);  // locked
  EXPECT_EQ(Sign(message, "CN=teller, T=S").status, 3003u);
  EXPECT_EQ(lib.GetLastError(), kq::win::kScardChvBlocked);
  scene.SetPinState(key, 6, false);
  // Another key pair in the teller's slot is not the certificate's key: nothing is signed.
  scene.ImportKeyPair(key, {1, 1, "rsa2048-b"});
  EXPECT_EQ(Sign(message, "CN=teller, T=S").status, 2008u);
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
