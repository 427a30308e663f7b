#pragma once
// A test's own world for kqtool, named in the environment that kqtool inherits: a soft-key root
// with one key, a UI log and wait directory, and a registry file that registers the built provider.

#include <gtest/gtest.h>

#include <string>

#include "kqtool_process.h"
#include "support/softkey_scene.h"
#include "support/temp_registry.h"
#include "support/ui_log_capture.h"

namespace kq::test {

class KqtoolWithKey : public ::testing::Test {
 protected:
  void SetUp() override { scene_.SetPinAnswers("12345678"); }
  [[nodiscard]] std::string UiLog() const { return ReadText(ui_.logPath()); }

  SoftKeyScene scene_;
  const std::string key_ = scene_.AddKey();
  const std::string mediaId_ = scene_.MediaId(key_);
  UiLogCapture ui_;
  TempRegistry registry_{
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography\\"
      "Defaults\\Provider\\KQCSP For ORV v2.0]\n\"Image Path\"=\"" KQ_TEST_LIB_DIR
      "/libkqcsp.so\"\n\"Type\"=dword:00000001\n\"Signature\"=hex:00\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN\\Orvenia]\n"
      "\"LanguageID\"=dword:00000409\n"};
};

}  // namespace kq::test
