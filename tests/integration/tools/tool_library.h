#pragma once
// The tool exports' tests: the provider library as the bank's tools load it (support/
// provider_library.h), tables of calls and their codes, and soft keys in a scene of their own.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "kqcsp.h"
#include "support/provider_library.h"
#include "support/softkey_scene.h"

namespace kqtest {

// A row of a table of calls: the code the call must answer, and the call's text to name the row.
struct CodeRow {
  uint32_t code;
  const char* call;
  std::function<uint32_t()> run;
};
#define KQ_ROW(code, ...)                                         \
  kqtest::CodeRow {                                               \
    code, #__VA_ARGS__, [&]() -> uint32_t { return __VA_ARGS__; } \
  }

inline void ExpectCodes(std::initializer_list<CodeRow> rows) {
  for (const CodeRow& row : rows) {
    EXPECT_EQ(row.run(), row.code) << row.call;
  }
}

class ToolTest : public ::testing::Test {
 protected:
  const kq::test::ProviderLibrary& lib = kq::test::Provider();
  kq::test::SoftKeyScene scene;
  std::vector<std::string> keys;

  std::string AddKey(const kq::test::SceneKey& spec = {}) {
    keys.push_back(scene.AddKey(spec));
    return keys.back();
  }

  // Every handle opened on every key of the scene is closed.
  void ExpectAllClosed(const char* after) {
    for (const std::string& key : keys) {
      EXPECT_EQ(scene.OpenHandles(key), 0) << "a handle on " << key << " is open after " << after;
    }
  }
};

}  // namespace kqtest
