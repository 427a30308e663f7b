// Enrolment end to end as the bank's flow runs it: requests for RSA 1024, RSA 2048 and SM2 keys,
// checked by openssl and issued by a test CA, installed, listed, used for signing along the path
// each key's device usage selects, and deleted again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "enrolment_fixture.h"

namespace {

using kqtest::EnrolmentTest;
using kqtest::OpensslVerifiesSignature;
using kqtest::TransactionMessage;

const std::vector<uint8_t> kPlainData = {'p', 'a', 'y', ' ', '1', '0', '0'};

class Enrolment : public EnrolmentTest {};

TEST_F(Enrolment, ThreeKeysFromRequestToDeletion) {
  const std::string text =
      "CN=rsa1024 user,OU=branch 1|RSA1024|SHA1|1|| CN=rsa2048 user , T=S | rsa2048 | sha256 | 2 "
      "||CN=sm2 user,T=Ex|SM2|SM3|3";
  int32_t length = 0;
  ASSERT_EQ(lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                             nullptr, &length),
            0u);
  EXPECT_EQ(length, 4500);
  EXPECT_FALSE(scene.KeySlot(key, 1));  // a size query generates nothing
  ExpectAllClosed("the size query");

  const auto requests = CreateRequests(text);
  ASSERT_EQ(requests.size(), 3u);
  ExpectAllClosed("KQ_CreatePKCS10");
  EXPECT_EQ(ToolEvents(),
            (std::vector<std::string>{"KQ_ORV_GENKEYPAIRMSGID 0 0", "KQ_ORV_GENKEYPAIRMSGID 1 0",
                                      "KQ_ORV_GENKEYPAIRMSGID 0 0", "KQ_ORV_GENKEYPAIRMSGID 1 0",
                                      "KQ_ORV_GENKEYPAIRMSGID 0 0", "KQ_ORV_GENKEYPAIRMSGID 1 0"}));
  // Each key pair sits in its own slot with the usage the request named.
  for (uint32_t slot = 1; slot <= 3; ++slot) {
    const auto info = scene.KeySlot(key, slot);
    ASSERT_TRUE(info) << slot;
    EXPECT_EQ(info->usage, slot - 1);
  }
  EXPECT_NE(kqtest::RequestSubject(requests[0]).find("rsa1024 user"), std::string::npos);
  EXPECT_NE(kqtest::RequestSubject(requests[2]).find("sm2 user"), std::string::npos);

  const auto issued = Issue(requests, {false, false, true});
  ASSERT_EQ(Install(JoinCertificates(issued)), 0u);
  ExpectAllClosed("KQ_WritePKCS7");
  EXPECT_EQ(ToolEvents(),
            (std::vector<std::string>{"KQ_ORV_IMPORTCERTMSGID 0 0", "KQ_ORV_IMPORTCERTMSGID 1 0"}));

  const auto subjects = ListSubjects();
  ASSERT_EQ(subjects.size(), 3u);
  EXPECT_EQ(subjects[0], "CN=rsa1024 user, OU=branch 1");
  EXPECT_EQ(subjects[1], "CN=rsa2048 user, T=S");
  EXPECT_EQ(subjects[2], "CN=sm2 user, T=Ex");
  int32_t listLength = 0;
  ASSERT_EQ(lib.GetAllCertDN(mediaId.c_str(), nullptr, &listLength), 0u);
  std::string listed(static_cast<size_t>(listLength), '\0');
  int32_t shortLength = listLength - 1;
  EXPECT_EQ(lib.GetAllCertDN(mediaId.c_str(), listed.data(), &shortLength), 1101u);
  EXPECT_EQ(shortLength, listLength);
  ExpectAllClosed("KQ_GetAllCertDN");

  // RSA 1024, usage 1: plain data is hashed on the host, with the default or the named hash.
  auto rsa1024 = Sign(kPlainData, subjects[0]);
  ASSERT_EQ(rsa1024.status, 0u);
  EXPECT_EQ(rsa1024.signature.size(), 128u);
  EXPECT_EQ(rsa1024.certificate, issued[0].certificate);
  EXPECT_TRUE(OpensslVerifiesSignature(rsa1024.certificate, kPlainData, rsa1024.signature, "sha1"));
  rsa1024 = Sign(kPlainData, "ou=Branch 1 , cn=RSA1024 USER", "sha256");
  ASSERT_EQ(rsa1024.status, 0u);
  EXPECT_TRUE(
      OpensslVerifiesSignature(rsa1024.certificate, kPlainData, rsa1024.signature, "sha256"));
  EXPECT_EQ(Sign(kPlainData, subjects[0], "SM3").status, 3004u);
  ExpectAllClosed("KQ_GetSignature with the RSA 1024 key");

  // RSA 2048, usage 2: only transaction messages, hashed on the key behind its button.
  EXPECT_EQ(Sign(kPlainData, subjects[1]).status, 2020u);
  const auto message = TransactionMessage("PAY1", "6222 0000 1111", "100.00");
  auto rsa2048 = Sign(message, subjects[1]);
  ASSERT_EQ(rsa2048.status, 0u);
  EXPECT_EQ(rsa2048.signature.size(), 256u);
  EXPECT_TRUE(OpensslVerifiesSignature(rsa2048.certificate, message, rsa2048.signature, "sha1"));
  scene.SetButton(key, "cancel:1");
  EXPECT_EQ(Sign(message, subjects[1]).status, 0x8010006Eu);
  scene.SetButton(key, "timeout:2");
  EXPECT_EQ(Sign(message, subjects[1]).status, 0x8010006Eu);
  scene.SetButton(key, "ok:1");
  ExpectAllClosed("KQ_GetSignature with the RSA 2048 key");

  // SM2, usage 3: hashed on the host with SM3 over Z, even for a transaction message.
  for (const auto& data : {kPlainData, message}) {
    const auto sm2 = Sign(data, subjects[2]);
    ASSERT_EQ(sm2.status, 0u);
    EXPECT_EQ(sm2.signature.size(), 64u);
    EXPECT_TRUE(OpensslVerifiesSignature(sm2.certificate, data, sm2.signature, "sm3"));
  }
  EXPECT_EQ(Sign(kPlainData, subjects[2], "SHA256").status, 3004u);
  ExpectAllClosed("KQ_GetSignature with the SM2 key");

  // The key that holds a subject.
  uint32_t size = 0;
  EXPECT_EQ(lib.GetDeviceSN(subjects[1].c_str(), nullptr, &size), 0u);
  EXPECT_EQ(size, 12u);
  char identity[16] = {};
  size = 11;
  EXPECT_EQ(lib.GetDeviceSN(subjects[1].c_str(), identity, &size), 1101u);
  size = sizeof identity;
  ASSERT_EQ(lib.GetDeviceSN(subjects[1].c_str(), identity, &size), 0u);
  EXPECT_EQ(std::string(identity, 12), mediaId);
  char provider[19];
  size = sizeof provider;
  ASSERT_EQ(lib.GetCSPName("T=Ex, CN=SM2 user", provider, &size), 0u);
  EXPECT_STREQ(provider, "KQCSP For ORV v2.0");
  EXPECT_EQ(lib.GetCSPName("CN=nobody", provider, &size), 1104u);
  ExpectAllClosed("KQ_GetDeviceSN and KQ_GetCSPName");

  // Deleting two of them: their key pairs, objects and containers go.
  listener.Drain();
  uint32_t count = 99;
  const std::string doomed = subjects[2] + "||" + subjects[0];
  ASSERT_EQ(lib.DeleteTempKeyOrCert(doomed.c_str(), 0, mediaId.c_str(), &count), 0u);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(ToolEvents(),
            (std::vector<std::string>{"KQ_ORV_INITUSBKEYMSGID 0 0", "KQ_ORV_INITUSBKEYMSGID 0 0"}));
  EXPECT_FALSE(scene.KeySlot(key, 1));
  EXPECT_TRUE(scene.KeySlot(key, 2));
  EXPECT_FALSE(scene.KeySlot(key, 3));
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{subjects[1]}));
  EXPECT_EQ(ContainerNames().size(), 1u);  // each deleted key pair was its container's last
  EXPECT_EQ(Sign(kPlainData, subjects[0]).status, 2008u);
  count = 99;
  EXPECT_EQ(lib.DeleteTempKeyOrCert("CN=nobody", 0, mediaId.c_str(), &count), 1005u);
  EXPECT_EQ(count, 0u);
  ExpectAllClosed("KQ_DeleteTempKeyOrCert");
}

TEST_F(Enrolment, Sm2OfUsageOneAndRsaOfUsageThreeHashOnTheHost) {
  const auto requests =
      CreateRequests("CN=sm2 plain|SM2|SM3|1||CN=rsa exchange,T=Ex|RSA2048|SHA512|3");
  ASSERT_EQ(requests.size(), 2u);
  const auto issued = Issue(requests, {true, false});
  ASSERT_EQ(Install(JoinCertificates(issued)), 0u);
  const auto subjects = ListSubjects();
  ASSERT_EQ(subjects.size(), 2u);
  const auto message = TransactionMessage("PAY2", "acct", "1.00");
  // The key never asks for its button on these paths.
  scene.SetButton(key, "fail:1");
  for (const auto& data : {kPlainData, message}) {
    const auto sm2 = Sign(data, subjects[0]);
    ASSERT_EQ(sm2.status, 0u);
    EXPECT_TRUE(OpensslVerifiesSignature(sm2.certificate, data, sm2.signature, "sm3"));
    const auto rsa = Sign(data, subjects[1], "SHA384");
    ASSERT_EQ(rsa.status, 0u);
    EXPECT_TRUE(OpensslVerifiesSignature(rsa.certificate, data, rsa.signature, "sha384"));
  }
  ExpectAllClosed("the host-hashed signatures");
}

TEST_F(Enrolment, ChineseSubjectGoesThroughTheWholeFlow) {
  // UTF-8 in the request text; the key's listings speak code page 936.
  const auto requests = CreateRequests(
      "CN=\xE5\xBC\xA0\xE4\xB8\x89,OU=\xE8\x90\xA5\xE4\xB8\x9A"
      "\xE9\x83\xA8|RSA1024|SHA256|1");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(kqtest::RequestSubject(requests[0]).find("\xE5\xBC\xA0\xE4\xB8\x89"),
            std::string::npos);
  const auto issued = Issue(requests, {false});
  ASSERT_EQ(Install(JoinCertificates(issued)), 0u);
  const std::string gbk = "CN=\xD5\xC5\xC8\xFD, OU=\xD3\xAA\xD2\xB5\xB2\xBF";
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{gbk}));
  const auto signed_ = Sign(kPlainData, gbk);
  ASSERT_EQ(signed_.status, 0u);
  EXPECT_TRUE(OpensslVerifiesSignature(signed_.certificate, kPlainData, signed_.signature, "sha1"));
  uint32_t count = 0;
  ASSERT_EQ(lib.DeleteTempKeyOrCert(gbk.c_str(), 0, mediaId.c_str(), &count), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_TRUE(ListSubjects().empty());
}

}  // namespace
