#include "support/softkey_scene.h"

#include <gtest/gtest.h>

#include "softkey/atomic_file.h"
#include "softkey/fault_plan.h"
#include "softkey/root_lock.h"
#include "softkey/soft_key_root.h"

namespace kq::test {

std::filesystem::path SoftKeyFixturePath(std::string_view name) {
  return std::filesystem::path(KQ_TEST_DATA_DIR) / "softkey" / (std::string(name) + ".pem");
}

std::string SoftKeyFixturePem(std::string_view name) {
  const std::optional<std::string> pem = sim::ReadFileText(SoftKeyFixturePath(name));
  EXPECT_TRUE(pem.has_value()) << "no soft-key fixture " << name;
  return pem.value_or("");
}

SoftKeyScene::SoftKeyScene() {
  SetEnvironment("KQSIM_ROOT", root_.path().string());
  SetEnvironment("TMPDIR", lockFolder_.path().string());
}

SoftKeyScene::~SoftKeyScene() {
  // In reverse, so a variable set twice gets its value from before the scene back.
  while (!environment_.empty()) {
    environment_.pop_back();
  }
}

void SoftKeyScene::SetEnvironment(const std::string& name, const std::string& value) {
  environment_.push_back(std::make_unique<ScopedEnv>(name, value));
}

std::string SoftKeyScene::AddKey(SceneKey spec) {
  for (SceneKeyPair& pair : spec.keyPairs) {
    pair.pem = SoftKeyFixturePem(pair.pem);
  }
  std::string error;
  const std::optional<std::filesystem::path> directory = sim::CreateKey(root(), spec, error);
  EXPECT_TRUE(directory.has_value()) << error;
  return directory ? directory->filename().string() : "";
}

std::filesystem::path SoftKeyScene::Directory(const std::string& key) const {
  return root() / key;
}

std::string SoftKeyScene::ReaderName(const std::string& key) const {
  const std::vector<std::filesystem::path> keys = sim::ListKeyDirectories(root());
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i].filename() == key) {
      return sim::ReaderName(i);
    }
  }
  ADD_FAILURE() << "no soft key " << key;
  return "";
}

std::string SoftKeyScene::MediaId(const std::string& key) const {
  const sim::KeyState state = State(key);
  return std::string(state.serial.begin(), state.serial.begin() + sim::kMediaIdSize);
}

sim::SoftKey SoftKeyScene::Key(const std::string& key) const {
  return sim::SoftKey(Directory(key));
}

sim::KeyState SoftKeyScene::State(const std::string& key) const {
  const sim::SoftKey softKey = Key(key);
  const platform::FileLock lock = softKey.Lock();
  std::optional<sim::KeyState> state = softKey.LoadState();
  EXPECT_TRUE(state.has_value()) << "cannot read soft key " << key;
  return state.value_or(sim::KeyState{});
}

void SoftKeyScene::Press(const std::string& key, bool ok) {
  EXPECT_TRUE(sim::PressButton(Key(key), ok ? sim::ButtonPress::kOk : sim::ButtonPress::kCancel));
}

void SoftKeyScene::SetButton(const std::string& key, const std::string& policy) {
  std::string error;
  EXPECT_TRUE(sim::SetButtonPolicy(Key(key), policy, error)) << error;
}

void SoftKeyScene::SetPinState(const std::string& key, std::optional<uint32_t> triesLeft,
                               std::optional<bool> verified) {
  EXPECT_TRUE(sim::SetPinState(Key(key), triesLeft, verified));
}

void SoftKeyScene::Reset(const std::string& key) {
  EXPECT_TRUE(sim::ResetKey(Key(key)));
}

void SoftKeyScene::Replug(const std::string& key) {
  EXPECT_TRUE(sim::ReplugKey(Key(key)));
}

void SoftKeyScene::SetPinAnswers(const std::string& answers) {
  SetEnvironment("KQSIM_PIN", answers);
}

std::optional<std::vector<uint8_t>> SoftKeyScene::ReadKeyFile(const std::string& key,
                                                              uint32_t fileId) const {
  const sim::SoftKey softKey = Key(key);
  const platform::FileLock lock = softKey.Lock();
  return softKey.ReadFile(fileId);
}

void SoftKeyScene::WriteKeyFile(const std::string& key, uint32_t fileId,
                                const std::vector<uint8_t>& content, uint32_t flag) {
  const sim::SoftKey softKey = Key(key);
  const platform::FileLock lock = softKey.Lock();
  EXPECT_TRUE(softKey.WriteFile(fileId, flag, content));
}

std::vector<sim::KeyFileInfo> SoftKeyScene::KeyFiles(const std::string& key) const {
  const sim::SoftKey softKey = Key(key);
  const platform::FileLock lock = softKey.Lock();
  return softKey.ListFiles();
}

std::optional<sim::SlotInfo> SoftKeyScene::KeySlot(const std::string& key, uint32_t slot) const {
  const sim::SoftKey softKey = Key(key);
  const platform::FileLock lock = softKey.Lock();
  return softKey.ReadSlot(slot);
}

void SoftKeyScene::ImportKeyPair(const std::string& key, SceneKeyPair pair) {
  const sim::SoftKey softKey = Key(key);
  const platform::FileLock lock = softKey.Lock();
  pair.pem = SoftKeyFixturePem(pair.pem);
  std::string error;
  EXPECT_TRUE(sim::ImportKeyPair(softKey, pair, error)) << error;
}

sim::Counters SoftKeyScene::Counters(const std::string& key) const {
  const platform::FileLock lock = sim::LockKey(Directory(key));
  return sim::ReadCounters(Directory(key));
}

sim::Counters SoftKeyScene::RootCounters() const {
  const platform::FileLock lock = sim::LockRoot(root());
  return sim::ReadCounters(root());
}

int64_t SoftKeyScene::OpenHandles(const std::string& key) const {
  const sim::Counters counters = Counters(key);
  const auto it = counters.find(sim::kHandlesOpenCounter);
  // No count at all: counting stopped, or nothing ever opened the key; "none open" proves nothing.
  if (it == counters.end()) {
    ADD_FAILURE() << "the soft key " << key << " counts no open handles";
    return -1;
  }
  return it->second;
}

int64_t SoftKeyScene::Calls(const std::string& key, std::string_view operation) const {
  const sim::Counters counters = Counters(key);
  const auto it = counters.find(operation);
  return it != counters.end() ? it->second : 0;
}

void SoftKeyScene::ClearCounters(const std::string& key) {
  const platform::FileLock lock = sim::LockKey(Directory(key));
  EXPECT_TRUE(sim::ClearCounters(Directory(key)));
}

void SoftKeyScene::SetProcessFaults(const std::string& plan) {
  SetEnvironment(sim::kFaultPlanVariable, plan);
}

CommandResult SoftKeyScene::RunKqsim(const std::vector<std::string>& arguments) const {
  std::vector<std::string> argv{std::string(KQ_TEST_BIN_DIR) + "/kqsim" + KQ_TEST_PROGRAM_SUFFIX,
                                "--root", root().string()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunCommand(argv);
}

}  // namespace kq::test
