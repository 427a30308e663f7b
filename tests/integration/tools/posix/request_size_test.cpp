// KQ_CreatePKCS10's size query holds for long DNs on every key type: a call with the size it
// gave succeeds, and a call with less returns 8 with that size before the key is changed, so a
// retry with the right buffer finds the usage still free.
#include <gtest/gtest.h>

#include <string>

#include "enrolment_fixture.h"

namespace {

using RequestSize = kqtest::EnrolmentTest;

// The shortest DN, one whose DER lengths change size with the key, a long
// CN as the bank's tools write it, and one near the key's largest object.
constexpr size_t kDnLengths[] = {4, 253, 700, 4000};

TEST_F(RequestSize, TheQueriedSizeAlwaysFitsAndASmallerBufferChangesNothing) {
  for (const char* type : {"RSA1024|SHA256", "SM2|SM3", "RSA2048|SHA256"}) {
    for (const size_t dnLength : kDnLengths) {
      SCOPED_TRACE(std::string(type) + ", DN of " + std::to_string(dnLength));
      scene.Reset(key);
      scene.ClearCounters(key);
      const std::string text = "CN=" + std::string(dnLength - 3, 'c') + "|" + type + "|1";
      int32_t bound = 0;
      ASSERT_EQ(lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                                 nullptr, &bound),
                0u);
      EXPECT_GE(bound, 1500);
      const auto files = scene.KeyFiles(key).size();
      int32_t stored = 0;
      EXPECT_EQ(RequestStatus(text, bound - 1, &stored), 8u);
      EXPECT_EQ(stored, bound);
      EXPECT_EQ(scene.Calls(key, "ZANT_GenerateRSAKey"), 0);
      EXPECT_EQ(scene.KeyFiles(key).size(), files);
      EXPECT_EQ(RequestStatus(text, bound, &stored), 0u);
      EXPECT_LE(stored, bound);
      ExpectAllClosed("the requests");
    }
  }
}

// A DN whose key objects no key file can hold is refused with 1 by the query and the call alike,
// before any key pair is generated; the longest DN the query accepts is enrolled.
TEST_F(RequestSize, AnUnstorableDnIsRefusedBeforeGenerationAndTheLongestStorableWorks) {
  const auto request = [](size_t cn) { return "CN=" + std::string(cn, 'w') + "|RSA1024|SHA256|1"; };
  const auto query = [&](const std::string& text, int32_t* size) {
    return lib.CreatePKCS10(text.c_str(), static_cast<int32_t>(text.size()), mediaId.c_str(),
                            nullptr, size);
  };
  scene.Reset(key);
  scene.ClearCounters(key);
  const auto files = scene.KeyFiles(key).size();
  int32_t size = 20000;
  EXPECT_EQ(query(request(8000), &size), 1u);
  EXPECT_EQ(RequestStatus(request(8000), 20000, &size), 1u);
  EXPECT_EQ(scene.Calls(key, "ZANT_GenerateRSAKey"), 0);
  EXPECT_EQ(scene.KeyFiles(key).size(), files);
  size_t fits = 0;
  for (size_t step = 8192; step > 0; step /= 2) {
    fits += query(request(fits + step), &size) == 0 ? step : 0;
  }
  ASSERT_GT(fits, 1000u);
  ASSERT_EQ(query(request(fits), &size), 0u);
  EXPECT_EQ(RequestStatus(request(fits), size, &size), 0u);
  ExpectAllClosed("the longest request");
}

}  // namespace
