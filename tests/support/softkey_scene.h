#pragma once
// A test's own soft keys: a temporary soft-key root that KQSIM_ROOT points to for the life of the
// scene (restored and removed afterwards), keys made in it, and the handles a test needs on
// them: buttons, PIN state, files, counters and fault plans. It works on the key directories
// directly, with the code kqsim uses (sim/softkey), so it needs no child process; RunKqsim runs the
// built command when a test wants the command itself.
//
//   kq::test::SoftKeyScene scene;
//   const std::string key = scene.AddKey({.keyPairs = {{1, 0, "rsa2048-a"}}});
//   ... dlopen the library under test, use reader scene.ReaderName(key) ...
//   EXPECT_EQ(scene.OpenHandles(key), 0);

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "softkey/call_counters.h"
#include "softkey/key_conf.h"
#include "softkey/key_maker.h"
#include "softkey/soft_key.h"
#include "support/run_command.h"
#include "support/scoped_env.h"
#include "support/temp_directory.h"

namespace kq::test {

// The key pairs kept for tests in tests/data/softkey/: "rsa1024-a", "rsa1024-b", "rsa2048-a",
// "rsa2048-b", "sm2-a", "sm2-b" (private keys in PEM).
std::filesystem::path SoftKeyFixturePath(std::string_view name);
std::string SoftKeyFixturePem(std::string_view name);

// A scene's key is described as kqsim describes one (sim/softkey/key_maker.h), except that a key
// pair's `pem` names one of the fixtures above: {.keyPairs = {{1, 0, "rsa2048-a"}}}.
using SceneKey = sim::KeySpec;
using SceneKeyPair = sim::PreloadedKeyPair;

class SoftKeyScene {
 public:
  SoftKeyScene();
  SoftKeyScene(const SoftKeyScene&) = delete;
  SoftKeyScene& operator=(const SoftKeyScene&) = delete;
  ~SoftKeyScene();

  [[nodiscard]] std::filesystem::path root() const { return root_.path(); }

  // Makes a key and returns its name; keys are readers in the order of their names.
  std::string AddKey(SceneKey spec = {});

  [[nodiscard]] std::string ReaderName(const std::string& key) const;
  [[nodiscard]] std::string MediaId(const std::string& key) const;  // the serial's first 12
  [[nodiscard]] sim::SoftKey Key(const std::string& key) const;
  [[nodiscard]] sim::KeyState State(const std::string& key) const;

  // Buttons and PIN.
  void Press(const std::string& key, bool ok = true);
  void SetButton(const std::string& key, const std::string& policy);
  void SetPinState(const std::string& key, std::optional<uint32_t> triesLeft,
                   std::optional<bool> verified);
  void Reset(const std::string& key);   // factory state, as ZANT_InitDev leaves it
  void Replug(const std::string& key);  // the PIN is no longer verified
  // KQSIM_PIN for the soft PIN-entry library, restored when the scene goes.
  void SetPinAnswers(const std::string& answers);

  // Files and key pairs as the key holds them.
  [[nodiscard]] std::optional<std::vector<uint8_t>> ReadKeyFile(const std::string& key,
                                                                uint32_t fileId) const;
  void WriteKeyFile(const std::string& key, uint32_t fileId, const std::vector<uint8_t>& content,
                    uint32_t flag = 0);
  [[nodiscard]] std::vector<sim::KeyFileInfo> KeyFiles(const std::string& key) const;
  [[nodiscard]] std::optional<sim::SlotInfo> KeySlot(const std::string& key, uint32_t slot) const;
  void ImportKeyPair(const std::string& key, SceneKeyPair pair);

  // Counters: calls per operation ("ZANT_OpenDev") and handles still open.
  [[nodiscard]] sim::Counters Counters(const std::string& key) const;
  [[nodiscard]] sim::Counters RootCounters() const;
  [[nodiscard]] int64_t OpenHandles(const std::string& key) const;
  [[nodiscard]] int64_t Calls(const std::string& key, std::string_view operation) const;
  void ClearCounters(const std::string& key);

  // The fault plan of this process (KQSIM_FAULTS); kqsim's `fault` sets the root's.
  void SetProcessFaults(const std::string& plan);

  // Runs build/bin/kqsim with this scene's root.
  [[nodiscard]] CommandResult RunKqsim(const std::vector<std::string>& arguments) const;

 private:
  [[nodiscard]] std::filesystem::path Directory(const std::string& key) const;

  void SetEnvironment(const std::string& name, const std::string& value);

  TempDirectory root_;
  // The scene's own TMPDIR: the key lock's files of a reader name are per folder, so parallel
  // tests whose soft keys share reader names do not take turns on each other's keys.
  TempDirectory lockFolder_;
  // Variables this scene set, restored in reverse order when it goes.
  std::vector<std::unique_ptr<ScopedEnv>> environment_;
};

}  // namespace kq::test
