// Eight threads on one key at once list the key's certificates and sign plain data through
// KQ_GetSignature. PKCS #1 v1.5 signatures are deterministic, so every thread's result must equal
// the one made alone beforehand (which openssl verifies), and no handle may be left open.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "enrolment_fixture.h"

namespace {

using kqtest::EnrolmentTest;

const kqtest::Bytes kData = {'p', 'a', 'y', ' ', '4', '2'};

class Threads : public EnrolmentTest {};

TEST_F(Threads, EightThreadsOnOneKeyGetTheResultsOneThreadGets) {
  ASSERT_EQ(Install(JoinCertificates(Issue(CreateRequests("CN=threads|RSA1024|SHA1|1")))), 0u);
  scene.SetButton(key, "none");
  const std::vector<std::string> subjects = ListSubjects();
  ASSERT_EQ(subjects.size(), 1u);
  const Signed alone = Sign(kData, subjects[0]);
  ASSERT_EQ(alone.status, 0u);
  EXPECT_TRUE(kqtest::OpensslVerifiesSignature(alone.certificate, kData, alone.signature, "sha1"));

  std::vector<int> wrong(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 5; ++round) {
        const bool listed = ListSubjects() == subjects;
        const Signed signed_ = Sign(kData, subjects[0]);
        wrong[t] += listed && signed_.status == 0 && signed_.signature == alone.signature ? 0 : 1;
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
