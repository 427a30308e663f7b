#pragma once
// A registry for one test: writes .reg text to a file in a fresh temporary directory and points
// KQCSP_REGISTRY at it; the variable is restored and the file removed when the object goes.
// Write() replaces the content; the system reads the file afresh on every query.

#include <string>

#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::test {

class TempRegistry {
 public:
  explicit TempRegistry(const std::string& content = "");
  TempRegistry(const TempRegistry&) = delete;
  TempRegistry& operator=(const TempRegistry&) = delete;

  void Write(const std::string& content);
  [[nodiscard]] const std::string& path() const { return path_; }

  // The settings key with the given value lines ("\"LanguageID\"=dword:00000804").
  static std::string SettingsKey(const std::string& valueLines);

 private:
  TempDirectory directory_;  // removed last, after the variable is restored
  std::string path_;
  ScopedEnv env_;
};

}  // namespace kq::test
