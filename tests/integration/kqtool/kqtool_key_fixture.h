#pragma once
// A test's own world for kqtool: a temporary directory with a soft-key root, a wait directory, a
// UI log and a registry file that registers the built provider, all named in the environment
// that kqtool inherits; and one soft key made with kqsim.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kqtool_process.h"
#include "support/scoped_env.h"

namespace kq::test {

class KqtoolWithKey : public ::testing::Test {
 protected:
  // A key with the given button policy; skips the test when kqsim is not built.
  void MakeKey(const std::string& buttonPolicy);
  void SetUp() override { MakeKey("ok:1"); }

  // handles_open of the key, as kqsim counts it.
  int OpenHandles() const;
  std::string UiLog() const;

  TempDirectory dir_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
  std::string keyName_;
  std::string mediaId_;
};

}  // namespace kq::test
