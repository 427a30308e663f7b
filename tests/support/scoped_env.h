#pragma once
// Sets (or unsets) an environment variable for the life of the object and restores the previous
// value afterwards, so one test's settings never leak into the next.

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/environment.h"

namespace kq::test {

class ScopedEnv {
 public:
  // value == nullopt unsets the variable.
  ScopedEnv(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
      previous_ = old;
    }
    Apply(value);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  ~ScopedEnv() { Apply(previous_); }

  void Set(const std::optional<std::string>& value) { Apply(value); }

 private:
  void Apply(const std::optional<std::string>& value) {
    if (value) {
      platform::SetEnvironmentValue(name_, *value);
    } else {
      platform::UnsetEnvironmentValue(name_);
    }
  }

  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace kq::test
