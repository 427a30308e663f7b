#pragma once
// What the frame tests share: the loaded provider, a verify context, and a way to run a check in
// a fresh process, where the handle counters start from the beginning.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/provider_library.h"
#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::test {

inline constexpr uint32_t kVerifyContext = 0xF0000000;
inline constexpr uint32_t kNteBadUid = 0x80090001;
inline constexpr uint32_t kNteBadHash = 0x80090002;
inline constexpr uint32_t kNteBadKey = 0x80090003;
inline constexpr uint32_t kNteBadFlags = 0x80090009;
inline constexpr uint32_t kENotImpl = 0x80004001;
inline constexpr uint32_t kErrorInvalidParameter = 87;

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Provider().complete) << Provider().problem;
    // No soft key: the verify contexts here never need one.
    static const TempDirectory emptyRoot;
    static ScopedEnv root("KQSIM_ROOT", emptyRoot.path().string());
  }

  static const ProviderLibrary& P() { return Provider(); }

  // A verify context; fails the test when it cannot be had.
  static KqHandle Acquire() {
    KqHandle handle = 0;
    EXPECT_TRUE(P().CPAcquireContext(&handle, nullptr, kVerifyContext, nullptr));
    EXPECT_EQ(P().GetLastError(), 0u);
    return handle;
  }
};

// Runs body in a child process started afresh (gtest's threadsafe death-test style re-executes
// this test alone), so the provider's handle counters start at their first values. body returns
// an empty string when every check held, else what failed.
#define KQ_IN_FRESH_PROCESS(body)                       \
  do {                                                  \
    GTEST_FLAG_SET(death_test_style, "threadsafe");     \
    EXPECT_EXIT(                                        \
        {                                               \
          const std::string kqFailure = (body)();       \
          if (!kqFailure.empty()) {                     \
            fprintf(stderr, "%s\n", kqFailure.c_str()); \
          }                                             \
          std::exit(kqFailure.empty() ? 0 : 1);         \
        },                                              \
        ::testing::ExitedWithCode(0), "");              \
  } while (0)

// Collects the failed checks of a fresh-process body.
class Checks {
 public:
  template <typename A, typename B>
  void Equal(const char* what, const A& actual, const B& expected) {
    if (!(actual == expected)) {
      failures_ += std::string(what) + ": got " + std::to_string(actual) + ", expected " +
                   std::to_string(expected) + "\n";
    }
  }
  [[nodiscard]] const std::string& failures() const { return failures_; }

 private:
  std::string failures_;
};

}  // namespace kq::test
