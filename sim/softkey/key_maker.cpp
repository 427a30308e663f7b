#include "softkey/key_maker.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "softkey/atomic_file.h"
#include "softkey/call_counters.h"
#include "softkey/root_lock.h"
#include "softkey/soft_key_root.h"

namespace kq::sim {

namespace {

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

std::string FirstFreeName(const std::filesystem::path& root) {
  std::error_code error;
  for (int n = 0;; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "key%02d", n);
    if (!std::filesystem::exists(root / name, error)) {
      return name;
    }
  }
}

bool ValidName(const std::string& name) {
  if (name.empty() || name[0] == '.' || name.size() > 64) {
    return false;
  }
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_' || c == '.';
    if (!ok) {
      return false;
    }
  }
  return true;
}

std::optional<KeyState> StateFromSpec(const KeySpec& spec, size_t number, std::string& error) {
  KeyState state;
  std::string serial = spec.serial;
  if (serial.empty()) {
    if (spec.family.size() != 2) {
      error = "the family must be two characters";
      return std::nullopt;
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "%010zu", number + 1);
    serial = spec.family + digits;
  }
  if (serial.size() == kMediaIdSize) {
    serial += "SN01";
  }
  if (serial.size() != kSerialSize) {
    error = "the serial must be 12 or 16 characters";
    return std::nullopt;
  }
  const std::string tail = spec.identityTail.empty() ? "ID01" : spec.identityTail;
  if (tail.size() != kSerialSize - kMediaIdSize) {
    error = "the identity tail must be 4 characters";
    return std::nullopt;
  }
  if (spec.pin.size() != kPinSize) {
    error = "the PIN must be 8 characters";
    return std::nullopt;
  }
  if (spec.label.size() > kLabelSize) {
    error = "the label must fit in 32 bytes";
    return std::nullopt;
  }
  if (spec.tries < 1 || spec.tries > 15) {
    error = "tries must be 1 to 15";
    return std::nullopt;
  }
  if (!ParseButtonPolicy(spec.button)) {
    error = "unknown button policy: " + spec.button;
    return std::nullopt;
  }
  if (spec.maxFileSize < 1 || spec.maxFileSize > 0xFFFF || spec.capacity > 0xFFFF ||
      spec.countdown > 0xFFFF) {
    error = "sizes and countdown must fit in 16 bits";
    return std::nullopt;
  }
  state.serial = Bytes(serial);
  state.identity = Bytes(serial.substr(0, kMediaIdSize) + tail);
  state.factoryLabel = Bytes(spec.label);
  state.pin = spec.pin;
  state.initialPin = spec.pin;
  state.triesMax = spec.tries;
  state.triesLeft = spec.tries;
  state.button = spec.button;
  state.countdown = spec.countdown;
  state.maxFileSize = spec.maxFileSize;
  state.capacity = spec.capacity;
  state.strictUsage = spec.strictUsage;
  return state;
}

}  // namespace

std::vector<uint8_t> DefaultIdentityBlock(const KeyState& state) {
  std::vector<uint8_t> block = Bytes("KQBIR1");
  block.insert(block.end(), state.serial.begin(), state.serial.end());
  block.insert(block.end(), state.identity.begin(), state.identity.end());
  const std::vector<uint8_t> label = LabelFileContent(state.factoryLabel);
  block.insert(block.end(), label.begin(), label.end());
  return block;
}

bool ImportKeyPair(const SoftKey& key, const PreloadedKeyPair& pair, std::string& error) {
  if (pair.slot < kFirstSlot || pair.slot > kLastSlot) {
    error = "key slots are 1 to 5";
    return false;
  }
  if (pair.usage > 0xF) {
    error = "the usage must be 0 to 15";
    return false;
  }
  const std::optional<KeyPair> parsed = KeyPair::FromPem(pair.pem);
  if (!parsed) {
    error = "not an RSA 1024, RSA 2048 or SM2 private key in PEM";
    return false;
  }
  const SlotInfo info{parsed->algorithm(), pair.usage, pair.tag};
  if (!key.StoreKeyPair(pair.slot, info, *parsed)) {
    error = "cannot write the key slot";
    return false;
  }
  return true;
}

std::optional<std::filesystem::path> CreateKey(const std::filesystem::path& root,
                                               const KeySpec& spec, std::string& error) {
  std::error_code fsError;
  std::filesystem::create_directories(root, fsError);
  if (fsError) {
    error = "cannot create the root " + root.string();
    return std::nullopt;
  }
  const platform::FileLock rootLock = LockRoot(root);
  const std::string name = spec.name.empty() ? FirstFreeName(root) : spec.name;
  if (!ValidName(name)) {
    error = "a key name is letters, digits, '-', '_' and '.', not starting with '.'";
    return std::nullopt;
  }
  if (std::filesystem::exists(root / name, fsError)) {
    error = "a key named " + name + " exists";
    return std::nullopt;
  }
  std::optional<KeyState> state = StateFromSpec(spec, ListKeyDirectories(root).size(), error);
  if (!state) {
    return std::nullopt;
  }
  const std::filesystem::path building = root / (".new-" + name);
  std::filesystem::remove_all(building, fsError);
  std::filesystem::create_directories(building, fsError);
  const SoftKey key(building);
  // The key counts its open handles from the start: none (call_counters.h).
  bool ok = !fsError && key.ResetToFactory(*state) && key.SaveState(*state) &&
            key.WriteIdentityBlock(spec.identityBlock.empty() ? DefaultIdentityBlock(*state)
                                                              : spec.identityBlock) &&
            AddToCounters(building, {{kHandlesOpenCounter, 0}});
  for (const PreloadedKeyPair& pair : spec.keyPairs) {
    ok = ok && ImportKeyPair(key, pair, error);
  }
  if (ok) {
    std::filesystem::rename(building, root / name, fsError);
    ok = !fsError;
  }
  if (!ok) {
    if (error.empty()) {
      error = "cannot write the key under " + root.string();
    }
    std::filesystem::remove_all(building, fsError);
    return std::nullopt;
  }
  return root / name;
}

bool PressButton(const SoftKey& key, ButtonPress press) {
  const platform::FileLock lock = key.Lock();
  return key.WritePress(press);
}

bool SetButtonPolicy(const SoftKey& key, const std::string& policy, std::string& error) {
  if (!ParseButtonPolicy(policy)) {
    error = "unknown button policy: " + policy;
    return false;
  }
  const platform::FileLock lock = key.Lock();
  std::optional<KeyState> state = key.LoadState();
  if (!state) {
    error = "cannot read the key";
    return false;
  }
  state->button = policy;
  return key.SaveState(*state);
}

bool ResetKey(const SoftKey& key) {
  const platform::FileLock lock = key.Lock();
  std::optional<KeyState> state = key.LoadState();
  if (!state || !key.ResetToFactory(*state)) {
    return false;
  }
  key.DiscardPress();
  return key.SaveState(*state);
}

bool ReplugKey(const SoftKey& key) {
  const platform::FileLock lock = key.Lock();
  std::optional<KeyState> state = key.LoadState();
  if (!state) {
    return false;
  }
  state->pinVerified = false;
  key.DiscardPress();
  return key.SaveState(*state);
}

bool SetPinState(const SoftKey& key, std::optional<uint32_t> triesLeft,
                 std::optional<bool> verified) {
  const platform::FileLock lock = key.Lock();
  std::optional<KeyState> state = key.LoadState();
  if (!state) {
    return false;
  }
  if (triesLeft) {
    state->triesLeft = std::min(*triesLeft, state->triesMax);
  }
  if (verified) {
    state->pinVerified = *verified;
  }
  return key.SaveState(*state);
}

bool RemoveKey(const SoftKey& key) {
  std::error_code error;
  const std::filesystem::path directory = key.directory();
  const std::filesystem::path removing =
      directory.parent_path() / (".removing-" + directory.filename().string());
  {
    // Wait for an operation midway to finish; the lock is let go before the rename, since Windows
    // does not rename a directory that holds an open file.
    const platform::FileLock lock = key.Lock();
  }
  // Detach first (a hidden name is not listed), then remove.
  std::filesystem::rename(directory, removing, error);
  if (error) {
    return false;
  }
  std::filesystem::remove_all(removing, error);
  return !error;
}

}  // namespace kq::sim
