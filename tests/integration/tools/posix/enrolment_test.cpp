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

  const auto requests = CreateRequests(text);
  ASSERT_EQ(requests.size(), 3u);
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

  const auto issued = Issue(requests, {false, false, true});
  ASSERT_EQ(Install(JoinCertificates(issued)), 0u);
  ExpectAllClosed("KQ_CreatePKCS10 and KQ_WritePKCS7");
  EXPECT_EQ(ToolEvents(),
            (std::vector<std::string>{"KQ_ORV_IMPORTCERTMSGID 0 0", "KQ_ORV_IMPORTCERTMSGID 1 0"}));

  const auto subjects = ListSubjects();
  ASSERT_EQ(subjects, (std::vector<std::string>{"CN=rsa1024 user, OU=branch 1",
                                                "CN=rsa2048 user, T=S", "CN=sm2 user, T=Ex"}));
  int32_t listLength = 0;
  ASSERT_EQ(lib.GetAllCertDN(mediaId.c_str(), nullptr, &listLength), 0u);
  std::string listed(static_cast<size_t>(listLength), '\0');
  int32_t shortLength = listLength - 1;
  EXPECT_EQ(lib.GetAllCertDN(mediaId.c_str(), listed.data(), &shortLength), 1101u);
  EXPECT_EQ(shortLength, listLength);

  // RSA 1024, usage 1: plain data is hashed on the host, with the default or the named hash.
  auto rsa1024 = Sign(kPlainData, subjects[0]);
  ASSERT_EQ(rsa1024.status, 0u);
  EXPECT_EQ(rsa1024.certificate, issued[0]);
  EXPECT_TRUE(OpensslVerifiesSignature(rsa1024.certificate, kPlainData, rsa1024.signature, "sha1"));
  rsa1024 = Sign(kPlainData, "ou=Branch 1 , cn=RSA1024 USER", "sha256");
  ASSERT_EQ(rsa1024.status, 0u);
  EXPECT_TRUE(
      OpensslVerifiesSignature(rsa1024.certificate, kPlainData, rsa1024.signature, "sha256"));
  EXPECT_EQ(Sign(kPlainData, subjects[0], "SM3").status, 3004u);

  // RSA 2048, usage 2: only transaction messages, hashed on the key behind its button.
  EXPECT_EQ(Sign(kPlainData, subjects[1]).status, 2020u);
  const auto message = TransactionMessage("PAY1", "6222 0000 1111", "100.00");
  auto rsa2048 = Sign(message, subjects[1]);
  ASSERT_EQ(rsa2048.status, 0u);
  EXPECT_TRUE(OpensslVerifiesSignature(rsa2048.certificate, message, rsa2048.signature, "sha1"));
  for (const char* policy : {"cancel:1", "timeout:2"}) {  // both count as a cancel here
    scene.SetButton(key, policy);
    EXPECT_EQ(Sign(message, subjects[1]).status, 0x8010006Eu) << policy;
  }
  scene.SetButton(key, "ok:1");

  // SM2, usage 3: hashed on the host with SM3 over Z, even for a transaction message.
  for (const auto& data : {kPlainData, message}) {
    const auto sm2 = Sign(data, subjects[2]);
    ASSERT_EQ(sm2.status, 0u);
    EXPECT_TRUE(OpensslVerifiesSignature(sm2.certificate, data, sm2.signature, "sm3"));
  }
  EXPECT_EQ(Sign(kPlainData, subjects[2], "SHA256").status, 3004u);
  ExpectAllClosed("KQ_GetSignature");

  // The key that holds a subject.
  char identity[16] = {};
  uint32_t size = 11;
  EXPECT_EQ(lib.GetDeviceSN(subjects[1].c_str(), identity, &size), 1101u);
  size = sizeof identity;
  ASSERT_EQ(lib.GetDeviceSN(subjects[1].c_str(), identity, &size), 0u);
  EXPECT_EQ(std::string(identity, 12), mediaId);
  char provider[19];
  size = sizeof provider;
  ASSERT_EQ(lib.GetCSPName("T=Ex, CN=SM2 user", provider, &size), 0u);
  EXPECT_STREQ(provider, "KQCSP For ORV v2.0");
  EXPECT_EQ(lib.GetCSPName("CN=nobody", provider, &size), 1104u);

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

// A Chinese subject given in code page 936 (as Windows programs and KQ_GetAllCertDN write it)
// reaches the request in UTF-8; the key lists it, signs and deletes by it in code page 936.
TEST_F(Enrolment, ChineseSubjectsGoThroughTheWholeFlow) {
  const auto requests = CreateRequests(
      "CN=\xd5\xc5\xc8\xfd,O=\xd6\xd0\xb9\xfa\xd2\xf8\xd0\xd0|RSA1024|SHA256|1||"
      "CN=\xd5\xc5\xc8\xfd,O=\xd6\xd0\xb9\xfa\xd2\xf8\xd0\xd0,T=S|RSA1024|SHA256|2");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_NE(kqtest::RequestSubject(requests[0]).find("=\u5f20\u4e09, O=\u4e2d\u56fd\u94f6\u884c"),
            std::string::npos);
  ASSERT_EQ(Install(JoinCertificates(Issue(requests))), 0u);
  const std::string listed = "CN=\xd5\xc5\xc8\xfd, O=\xd6\xd0\xb9\xfa\xd2\xf8\xd0\xd0";
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{listed, listed + ", T=S"}));
  const auto signed_ = Sign(kPlainData, listed);
  ASSERT_EQ(signed_.status, 0u);
  EXPECT_TRUE(OpensslVerifiesSignature(signed_.certificate, kPlainData, signed_.signature, "sha1"));
  uint32_t count = 0;
  ASSERT_EQ(lib.DeleteTempKeyOrCert(listed.c_str(), 0, mediaId.c_str(), &count), 0u);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(ListSubjects(), (std::vector<std::string>{listed + ", T=S"}));
}

}  // namespace
