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
  void SetUp() override;
  // handles_open of the key, as `kqsim counters` shows it.
  int OpenHandles() const;
  std::string UiLog() const { return ReadText(dir_.File("ui.log")); }

  TempDirectory dir_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
  std::string keyName_;
  std::string mediaId_;
};

}  // namespace kq::test
