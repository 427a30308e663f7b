#pragma once
// Making and handling soft keys from outside the device library: what kqsim and the tests' scene
// helper do (create a key, import key pairs, press a button, reset, unplug, remove).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "softkey/button_policy.h"
#include "softkey/soft_key.h"

namespace kq::sim {

struct PreloadedKeyPair {
  uint32_t slot = 1;
  uint32_t usage = 0;  // the generation option (device usage minus 1)
  std::string pem;     // the private key: RSA 1024/2048 or SM2
  std::string tag = "7305";
};

struct KeySpec {
  std::string name;           // directory name; empty: the first free "keyNN"
  std::string family = "73";  // first two characters of a generated serial
  std::string serial;         // 12 characters (media id) or 16; empty: family and a number
  std::string identityTail;   // last 4 bytes of the identity; empty: "ID01"
  std::string label = "kqsim soft key";
  std::string pin = "12345678";
  uint32_t tries = kDefaultTries;
  std::string button = "ok:1";
  uint32_t countdown = kDefaultCountdown;
  uint32_t maxFileSize = kDefaultMaxFileSize;
  uint32_t capacity = kDefaultCapacity;
  bool strictUsage = false;            // usage-2 keys refuse plain signing (key_conf.h)
  std::vector<uint8_t> identityBlock;  // ZANT_ReadBirCert; empty: the default block
  std::vector<PreloadedKeyPair> keyPairs;
};

// Creates the key under root (creating the root too); the new key's directory, or nothing with a
// reason in `error`. The key appears whole: it is built under a hidden name and renamed.
std::optional<std::filesystem::path> CreateKey(const std::filesystem::path& root,
                                               const KeySpec& spec, std::string& error);

// Puts a key pair into a slot of an existing key (replacing what was there).
bool ImportKeyPair(const SoftKey& key, const PreloadedKeyPair& pair, std::string& error);

// Leaves a press for the key's current or next button wait.
bool PressButton(const SoftKey& key, ButtonPress press);
bool SetButtonPolicy(const SoftKey& key, const std::string& policy, std::string& error);
// Factory state, as ZANT_InitDev leaves it.
bool ResetKey(const SoftKey& key);
// As if the key were pulled out and put back: the PIN is no longer verified, no press waits.
bool ReplugKey(const SoftKey& key);
// Sets the PIN state directly (tests of locked keys).
bool SetPinState(const SoftKey& key, std::optional<uint32_t> triesLeft,
                 std::optional<bool> verified);
// Detaches the key and removes its directory.
bool RemoveKey(const SoftKey& key);

// The identity block a key gets when none is given: "KQBIR1", the 16-byte serial, the 16-byte
// identity and the 32-byte label field (70 bytes).
std::vector<uint8_t> DefaultIdentityBlock(const KeyState& state);

}  // namespace kq::sim
