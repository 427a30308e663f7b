#include "softkey/soft_key.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

#include "common/text_trim.h"
#include "softkey/atomic_file.h"
#include "softkey/root_lock.h"
#include "softkey/text_values.h"

namespace kq::sim {

namespace {

constexpr char kFilesDirectory[] = "files";
constexpr char kSlotsDirectory[] = "slots";
constexpr char kIdentityBlockName[] = "identity.bin";
constexpr char kPressName[] = "press";

std::string FileIdText(uint32_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(id & 0xFFFF));
  return text;
}

// "D001.0" -> id 0xD001, flag 0; anything else (temporaries included) is not a key file.
std::optional<KeyFileInfo> ParseFileName(const std::string& name) {
  if (name.size() < 6 || name[4] != '.') {
    return std::nullopt;
  }
  const std::string_view text(name);
  const std::optional<uint32_t> id = ParseNumber("0x" + std::string(text.substr(0, 4)));
  const std::string_view flagText = text.substr(5);
  if (!id || flagText.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::optional<uint32_t> flag = ParseNumber(flagText);
  if (!flag || FileIdText(*id) != text.substr(0, 4)) {
    return std::nullopt;
  }
  return KeyFileInfo{*id, *flag, 0};
}

std::string SlotBase(uint32_t number) {
  return std::to_string(number);
}

}  // namespace

platform::FileLock SoftKey::Lock() const {
  return LockKey(directory_);
}

std::optional<KeyState> SoftKey::LoadState() const {
  const std::optional<std::string> text = ReadFileText(directory_ / "key.conf");
  if (!text) {
    return std::nullopt;
  }
  return ParseKeyState(*text);
}

bool SoftKey::SaveState(const KeyState& state) const {
  return WriteTextAtomically(directory_ / "key.conf", FormatKeyState(state));
}

std::filesystem::path SoftKey::FilePath(const KeyFileInfo& info) const {
  return directory_ / kFilesDirectory / (FileIdText(info.id) + "." + std::to_string(info.flag));
}

std::vector<KeyFileInfo> SoftKey::ListFiles() const {
  std::vector<KeyFileInfo> files;
  std::error_code error;
  std::filesystem::directory_iterator it(directory_ / kFilesDirectory, error);
  if (error) {
    return files;
  }
  for (const std::filesystem::directory_entry& entry : it) {
    std::optional<KeyFileInfo> info = ParseFileName(entry.path().filename().string());
    if (!info) {
      continue;
    }
    const uintmax_t size = entry.file_size(error);
    if (error || size > 0xFFFFFFFFu) {
      continue;
    }
    info->size = static_cast<uint32_t>(size);
    files.push_back(*info);
  }
  std::sort(files.begin(), files.end(),
            [](const KeyFileInfo& a, const KeyFileInfo& b) { return a.id < b.id; });
  return files;
}

std::optional<KeyFileInfo> SoftKey::FindFile(uint32_t id) const {
  for (const KeyFileInfo& info : ListFiles()) {
    if (info.id == id) {
      return info;
    }
  }
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> SoftKey::ReadFile(uint32_t id) const {
  const std::optional<KeyFileInfo> info = FindFile(id);
  if (!info) {
    return std::nullopt;
  }
  return ReadFileBytes(FilePath(*info));
}

bool SoftKey::WriteFile(uint32_t id, uint32_t flag, std::span<const uint8_t> content) const {
  std::error_code error;
  std::filesystem::create_directories(directory_ / kFilesDirectory, error);
  const std::optional<KeyFileInfo> existing = FindFile(id);
  const KeyFileInfo target{id, flag, 0};
  if (!WriteFileAtomically(FilePath(target), content)) {
    return false;
  }
  if (existing && existing->flag != flag) {
    return RemoveFile(FilePath(*existing));
  }
  return true;
}

bool SoftKey::DeleteFile(uint32_t id) const {
  const std::optional<KeyFileInfo> existing = FindFile(id);
  return !existing || RemoveFile(FilePath(*existing));
}

uint32_t SoftKey::UsedSpace() const {
  uint64_t used = 0;
  for (const KeyFileInfo& info : ListFiles()) {
    used += info.size;
  }
  return static_cast<uint32_t>(std::min<uint64_t>(used, 0xFFFFFFFFu));
}

std::optional<SlotInfo> SoftKey::ReadSlot(uint32_t number) const {
  const std::optional<std::string> text =
      ReadFileText(directory_ / kSlotsDirectory / (SlotBase(number) + ".conf"));
  if (!text) {
    return std::nullopt;
  }
  SlotInfo info;
  bool haveAlgorithm = false;
  for (const std::string_view line : SplitFields(*text, "\n")) {
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      continue;
    }
    const std::string_view name = TrimBlanks(line.substr(0, eq));
    const std::string_view value = TrimBlanks(line.substr(eq + 1));
    if (name == "algorithm") {
      const std::optional<KeyAlgorithm> algorithm = KeyAlgorithmFromName(value);
      if (!algorithm) {
        return std::nullopt;
      }
      info.algorithm = *algorithm;
      haveAlgorithm = true;
    } else if (name == "usage") {
      const std::optional<uint32_t> usage = ParseNumber(value);
      if (!usage || *usage > 0xF) {
        return std::nullopt;
      }
      info.usage = *usage;
    } else if (name == "tag") {
      info.tag = std::string(value);
    }
  }
  if (!haveAlgorithm) {
    return std::nullopt;
  }
  return info;
}

std::optional<KeyPair> SoftKey::LoadKeyPair(uint32_t number) const {
  const std::optional<SlotInfo> info = ReadSlot(number);
  if (!info) {
    return std::nullopt;
  }
  const std::optional<std::string> pem =
      ReadFileText(directory_ / kSlotsDirectory / (SlotBase(number) + ".pem"));
  if (!pem) {
    return std::nullopt;
  }
  std::optional<KeyPair> pair = KeyPair::FromPem(*pem);
  if (!pair || pair->algorithm() != info->algorithm) {
    return std::nullopt;
  }
  return pair;
}

bool SoftKey::StoreKeyPair(uint32_t number, const SlotInfo& info, const KeyPair& pair) const {
  const std::optional<std::string> pem = pair.ToPem();
  if (!pem || pair.algorithm() != info.algorithm) {
    return false;
  }
  std::error_code error;
  std::filesystem::create_directories(directory_ / kSlotsDirectory, error);
  std::string conf = "algorithm=" + std::string(KeyAlgorithmName(info.algorithm)) + "\n";
  conf += "usage=" + std::to_string(info.usage) + "\n";
  conf += "tag=" + info.tag + "\n";
  // The private key first; the slot counts as present once its .conf is in place.
  return WriteTextAtomically(directory_ / kSlotsDirectory / (SlotBase(number) + ".pem"), *pem) &&
         WriteTextAtomically(directory_ / kSlotsDirectory / (SlotBase(number) + ".conf"), conf);
}

bool SoftKey::DeleteSlot(uint32_t number) const {
  return RemoveFile(directory_ / kSlotsDirectory / (SlotBase(number) + ".conf")) &&
         RemoveFile(directory_ / kSlotsDirectory / (SlotBase(number) + ".pem"));
}

std::optional<std::vector<uint8_t>> SoftKey::ReadIdentityBlock() const {
  return ReadFileBytes(directory_ / kIdentityBlockName);
}

bool SoftKey::WriteIdentityBlock(std::span<const uint8_t> block) const {
  return WriteFileAtomically(directory_ / kIdentityBlockName, block);
}

std::optional<ButtonPress> SoftKey::TakePress() const {
  const std::optional<std::string> text = ReadFileText(directory_ / kPressName);
  if (!text) {
    return std::nullopt;
  }
  RemoveFile(directory_ / kPressName);
  return ParseButtonPress(*text);
}

bool SoftKey::WritePress(ButtonPress press) const {
  return WriteTextAtomically(directory_ / kPressName,
                             press == ButtonPress::kOk ? "ok\n" : "cancel\n");
}

void SoftKey::DiscardPress() const {
  RemoveFile(directory_ / kPressName);
}

bool SoftKey::ResetToFactory(KeyState& state) const {
  for (const KeyFileInfo& info : ListFiles()) {
    if (!RemoveFile(FilePath(info))) {
      return false;
    }
  }
  for (uint32_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
    if (!DeleteSlot(slot)) {
      return false;
    }
  }
  const std::vector<uint8_t> objectIndex(kObjectIndexSize, 0xFF);
  const std::vector<uint8_t> privateIndex(kPrivateIndexSize, 0xFF);
  if (!WriteFile(kObjectIndexFile, 0, objectIndex) ||
      !WriteFile(kPrivateIndexFile, 1, privateIndex) ||
      !WriteFile(kLabelFile, 0, LabelFileContent(state.factoryLabel))) {
    return false;
  }
  state.pin = state.initialPin;
  state.triesLeft = state.triesMax;
  state.pinVerified = false;
  return true;
}

std::vector<uint8_t> LabelFileContent(std::span<const uint8_t> label) {
  std::vector<uint8_t> content(kLabelSize, 0);
  std::copy_n(label.begin(), std::min(label.size(), kLabelSize), content.begin());
  return content;
}

}  // namespace kq::sim
