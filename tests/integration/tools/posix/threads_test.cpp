// Eight threads on one key at once: four acquire a context on the enrolled container, hash, sign
// and release it; four list the key's certificates and sign plain data through KQ_GetSignature.
// PKCS #1 v1.5 signatures are deterministic, so every thread's result must equal the one made
// alone beforehand (which openssl verifies), and no handle may be left open.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "enrolment_fixture.h"
#include "support/provider_library.h"

namespace {

using kqtest::EnrolmentTest;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t kCalgSha1 = 0x8004;
constexpr uint32_t kAtSignature = 2;
constexpr uint32_t kHashValue = 2;
const Bytes kData = {'p', 'a', 'y', ' ', '4', '2'};

// A signature through the CryptoAPI entry points; empty on any failure.
Bytes SignThroughContext(const std::string& container) {
  const auto& p = kq::test::Provider();
  KqHandle prov = 0;
  if (!p.CPAcquireContext(&prov, container.c_str(), 0, nullptr)) {
    return {};
  }
  Bytes signature(128);
  uint32_t length = static_cast<uint32_t>(signature.size());
  KqHandle hash = 0;
  const bool ok = p.CPCreateHash(prov, kCalgSha1, 0, 0, &hash) &&
                  p.CPHashData(prov, hash, kData.data(), static_cast<uint32_t>(kData.size()), 0) &&
                  p.CPSignHash(prov, hash, kAtSignature, nullptr, 0, signature.data(), &length);
  if (hash != 0) {
    p.CPDestroyHash(prov, hash);
  }
  p.CPReleaseContext(prov, 0);
  signature.resize(ok ? length : 0);
  return signature;
}

class Threads : public EnrolmentTest {};

TEST_F(Threads, EightThreadsOnOneKeyGetTheResultsOneThreadGets) {
  const auto requests = CreateRequests("CN=threads|RSA1024|SHA1|1");
  ASSERT_EQ(requests.size(), 1u);
  ASSERT_EQ(Install(JoinCertificates(Issue(requests, {false}))), 0u);
  scene.SetButton(key, "none");
  const std::vector<std::string> containers = ContainerNames();
  ASSERT_EQ(containers.size(), 1u);
  const std::vector<std::string> subjects = ListSubjects();
  ASSERT_EQ(subjects.size(), 1u);

  const Bytes contextSignature = SignThroughContext(containers[0]);
  ASSERT_EQ(contextSignature.size(), 128u);
  const Signed exportSignature = Sign(kData, subjects[0]);
  ASSERT_EQ(exportSignature.status, 0u);
  EXPECT_TRUE(kqtest::OpensslVerifiesSignature(exportSignature.certificate, kData,
                                               exportSignature.signature, "sha1"));

  constexpr int kRounds = 5;
  std::vector<int> wrong(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        if (t % 2 == 0) {
          wrong[t] += SignThroughContext(containers[0]) == contextSignature ? 0 : 1;
        } else {
          const bool listed = ListSubjects() == subjects;
          const Signed signed_ = Sign(kData, subjects[0]);
          wrong[t] +=
              listed && signed_.status == 0 && signed_.signature == exportSignature.signature ? 0
                                                                                              : 1;
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(wrong, std::vector<int>(8, 0));
  ExpectAllClosed("eight threads");
}

}  // namespace
