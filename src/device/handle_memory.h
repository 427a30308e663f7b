#pragma once
// What one open handle has learned of the key's files and its login, so that an operation does not
// ask the key again for what it read or wrote itself while the handle stayed open. On a real key
// every question is a USB exchange of several milliseconds.
//
// It lives exactly as long as the handle: closing the handle (a PIN login closes it) forgets
// everything, because between two handles another program may change the key, and the key has
// no transactions. Writes through the handle update what is kept; a failed or partial write, a
// deletion or a new file forgets what was kept of that file.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace kq {

class HandleMemory {
 public:
  // The first `length` bytes of the file, when known.
  [[nodiscard]] std::optional<std::span<const uint8_t>> Prefix(uint32_t fileId,
                                                               uint32_t length) const;
  // The file's length, when the key told it.
  [[nodiscard]] std::optional<uint32_t> Length(uint32_t fileId) const;

  void RememberLength(uint32_t fileId, uint32_t length);
  // Bytes read from offset 0. `whole`: the key delivered fewer than asked, so this is the file.
  void RememberRead(uint32_t fileId, std::span<const uint8_t> bytes, bool whole);
  // A write that the key completed: the bytes at `offset` now hold `data`.
  void RememberWrite(uint32_t fileId, uint32_t offset, std::span<const uint8_t> data);
  // A file just created with `size` bytes whose content is not known.
  void RememberCreated(uint32_t fileId, uint32_t size);
  void Forget(uint32_t fileId);

  // The largest file the key accepts (device information kind 0).
  [[nodiscard]] std::optional<uint32_t> LargestFileSize() const { return largestFile_; }
  void RememberLargestFileSize(uint32_t size) { largestFile_ = size; }

  // A PIN login succeeded on this handle (the key reported its PIN verified, or the login opened
  // the handle after verifying it).
  [[nodiscard]] bool loggedIn() const { return loggedIn_; }
  void RememberLogin() { loggedIn_ = true; }

  void Clear();

 private:
  struct KnownFile {
    std::vector<uint8_t> prefix;  // bytes from offset 0
    std::optional<uint32_t> length;
  };

  std::map<uint32_t, KnownFile> files_;
  std::optional<uint32_t> largestFile_;
  bool loggedIn_ = false;
};

}  // namespace kq
