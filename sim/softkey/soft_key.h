#pragma once
// One soft key: a directory under the soft-key root.
//
//   key.conf        settings and PIN state (key_state.h)
//   files/XXXX.F    the key's files: XXXX the 16-bit id in upper-case hex, F the access flag
//                   given to ZANT_CreateFile (decimal); the content is the file's bytes
//   slots/N.conf    key slot N (1 to 5): algorithm, device usage, tag
//   slots/N.pem     its private key (RSA: PKCS #1; SM2: SEC 1 with the SM2 curve)
//   identity.bin    the identity data block that ZANT_ReadBirCert returns
//   press           a button press made by `kqsim press`, taken by the next poll of a wait
//   counters        calls and open handles (call_counters.h)
//   lock            the lock file that serialises processes on this key
//
// Every change is a write to a temporary file renamed into place, made while the key's lock is
// held, so a second process or a crash never sees half a change.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/file_lock.h"
#include "softkey/button_policy.h"
#include "softkey/key_conf.h"
#include "softkey/key_pair.h"

namespace kq::sim {

inline constexpr uint32_t kObjectIndexFile = 0xD001;
inline constexpr uint32_t kPrivateIndexFile = 0xD002;
inline constexpr uint32_t kLabelFile = 0xD003;
inline constexpr uint32_t kCertificateDirectoryFile = 0xD000;
inline constexpr size_t kObjectIndexSize = 400;
inline constexpr size_t kPrivateIndexSize = 200;
inline constexpr uint32_t kFirstSlot = 1;
inline constexpr uint32_t kLastSlot = 5;

struct KeyFileInfo {
  uint32_t id = 0;
  uint32_t flag = 0;
  uint32_t size = 0;
};

struct SlotInfo {
  KeyAlgorithm algorithm = KeyAlgorithm::kRsa1024;
  uint32_t usage = 0;  // the generation option: 0 to 15, reported in bits 4 to 7 of the flags
  std::string tag;
};

class SoftKey {
 public:
  explicit SoftKey(std::filesystem::path directory) : directory_(std::move(directory)) {}

  [[nodiscard]] const std::filesystem::path& directory() const { return directory_; }
  [[nodiscard]] std::string name() const { return directory_.filename().string(); }
  // Holds the key for one operation; every method below expects it held.
  [[nodiscard]] platform::FileLock Lock() const;

  [[nodiscard]] std::optional<KeyState> LoadState() const;
  [[nodiscard]] bool SaveState(const KeyState& state) const;

  [[nodiscard]] std::vector<KeyFileInfo> ListFiles() const;  // by id
  [[nodiscard]] std::optional<KeyFileInfo> FindFile(uint32_t id) const;
  [[nodiscard]] std::optional<std::vector<uint8_t>> ReadFile(uint32_t id) const;
  // Creates or replaces the file with this content and flag.
  [[nodiscard]] bool WriteFile(uint32_t id, uint32_t flag, std::span<const uint8_t> content) const;
  [[nodiscard]] bool DeleteFile(uint32_t id) const;
  [[nodiscard]] uint32_t UsedSpace() const;

  [[nodiscard]] std::optional<SlotInfo> ReadSlot(uint32_t number) const;
  [[nodiscard]] std::optional<KeyPair> LoadKeyPair(uint32_t number) const;
  [[nodiscard]] bool StoreKeyPair(uint32_t number, const SlotInfo& info, const KeyPair& pair) const;
  [[nodiscard]] bool DeleteSlot(uint32_t number) const;

  [[nodiscard]] std::optional<std::vector<uint8_t>> ReadIdentityBlock() const;
  [[nodiscard]] bool WriteIdentityBlock(std::span<const uint8_t> block) const;

  // A press waiting to be taken, which it removes.
  [[nodiscard]] std::optional<ButtonPress> TakePress() const;
  [[nodiscard]] bool WritePress(ButtonPress press) const;
  void DiscardPress() const;

  // Back to the state of a new key: the two index files filled with 0xFF, the label file with the
  // factory label, no other file, no key pair, the initial PIN with every try left, not
  // verified. The state is changed in memory; the caller saves it.
  [[nodiscard]] bool ResetToFactory(KeyState& state) const;

 private:
  std::filesystem::path FilePath(const KeyFileInfo& info) const;
  std::filesystem::path directory_;
};

// The label file's 32 bytes: the label, then zeros.
std::vector<uint8_t> LabelFileContent(std::span<const uint8_t> label);

}  // namespace kq::sim
