#pragma once
// What the tool export tests share: the loaded library, soft keys in a scene of their own, and
// the check that every handle the provider opened on a key was closed again.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/softkey_scene.h"
#include "tool_library.h"

namespace kqtest {

class ToolTest : public ::testing::Test {
 protected:
  ToolLibrary& lib = ToolLibrary::Get();
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

// The check exports' messages in code page 936.
inline const std::string kNoDeviceMessage = "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xC9\xE8\xB1\xB8";

}  // namespace kqtest
