#include "store/certificate_directory.h"

#include <optional>
#include <vector>

#include "common/codes_device.h"
#include "common/codes_store.h"
#include "store/certificate_directory_entry.h"
#include "store/device_files.h"
#include "store/device_keys.h"
#include "store/index_slot.h"

namespace kq::store {

namespace {

constexpr uint32_t kDeviceLabelFile = 0xD003;

// Files the store keeps at fixed ids; a directory entry never makes them go away.
bool IsFixedFile(uint32_t fileId) {
  return fileId == kCertificateDirectoryFile || fileId == kObjectIndex.fileId ||
         fileId == kPrivateObjectIndex.fileId || fileId == kDeviceLabelFile;
}

// Reads the directory whole: the device status, or kDirectoryWrongLength when it is not 70 bytes.
uint32_t ReadDirectory(const DeviceSession& session, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  uint32_t length = 0;
  if (const uint32_t status = FileLength(session, kCertificateDirectoryFile, length); status != 0) {
    return status;
  }
  if (length != kCertificateDirectorySize) {
    return kDirectoryWrongLength;
  }
  std::vector<uint8_t> bytes;
  if (const uint32_t status = ReadFilePrefix(session, kCertificateDirectoryFile, length, bytes);
      status != 0) {
    return status;
  }
  std::optional<std::vector<DirectoryEntry>> parsed = ParseCertificateDirectory(bytes);
  if (!parsed) {
    return kDirectoryWrongLength;
  }
  entries = std::move(*parsed);
  return kOk;
}

uint32_t ReadOrCreateDirectory(const DeviceSession& session, std::vector<DirectoryEntry>& entries) {
  const uint32_t status = ReadDirectory(session, entries);
  if (dev::StatusWord(status) != dev::kSwFileNotFound) {
    return status;
  }
  uint32_t fileId = kCertificateDirectoryFile;
  if (const uint32_t created = CreateDeviceFile(session, fileId, kCertificateDirectorySize, 0);
      created != 0) {
    return created;
  }
  return ReadDirectory(session, entries);
}

uint32_t WriteEntry(const DeviceSession& session, size_t number, const DirectoryEntry& entry) {
  const auto bytes = EncodeDirectoryEntry(entry);
  uint32_t written = 0;
  const uint32_t status =
      WriteFileAt(session, kCertificateDirectoryFile,
                  static_cast<uint32_t>(number * kDirectoryEntrySize), bytes, written);
  if (status != 0) {
    return status;
  }
  return written == bytes.size() ? kOk : kWriteFailed;
}

}  // namespace

uint32_t WriteCertificateDirectory(const DeviceSession& session, uint8_t keyNumber,
                                   std::span<const uint8_t> subject,
                                   std::span<const uint8_t> certificate) {
  if (!IsKeyNumber(keyNumber)) {
    return kBadKeyNumber;
  }
  const size_t total = subject.size() + certificate.size();
  if (certificate.empty() || total > 0xFFFF) {
    return kBadArgument;
  }
  std::vector<DirectoryEntry> entries;
  if (const uint32_t status = ReadOrCreateDirectory(session, entries); status != 0) {
    return status;
  }

  std::vector<uint8_t> contents(subject.begin(), subject.end());
  contents.insert(contents.end(), certificate.begin(), certificate.end());
  uint32_t fileId = 0;
  if (const uint32_t status = CreateDeviceFile(session, fileId, static_cast<uint32_t>(total), 0);
      status != 0) {
    return status;
  }
  if (!IsObjectFileId(fileId) || IsFixedFile(fileId)) {
    return kCreateFailed;  // an id the directory cannot name; nothing of ours to delete
  }
  // Any failure from here on deletes the new file again.
  const auto fail = [&](uint32_t status) {
    DeleteDeviceFile(session, fileId);
    return status;
  };
  uint32_t written = 0;
  if (const uint32_t status = WriteFileAt(session, fileId, 0, contents, written); status != 0) {
    return fail(status);
  }
  if (written != total) {
    return fail(kWriteFailed);
  }

  // The new file is complete: one entry write switches to it, and the old file goes last, so a
  // failure on the way keeps the old certificate or the new one. The key number's own entry is
  // overwritten in place; a key number without one takes the first free entry.
  std::optional<size_t> place;
  for (size_t n = 0; n < entries.size() && !place; ++n) {
    if (!entries[n].isFree() && entries[n].keyNumber == keyNumber) {
      place = n;
    }
  }
  const bool replacing = place.has_value();
  const DirectoryEntry former = replacing ? entries[*place] : kRemovedDirectoryEntry;
  for (size_t n = 0; n < entries.size() && !place; ++n) {
    if (entries[n].isFree()) {
      place = n;
    }
  }
  if (!place) {
    return fail(kDeviceFailed);
  }
  const DirectoryEntry entry{static_cast<uint16_t>(total), static_cast<uint16_t>(fileId),
                             static_cast<uint16_t>(subject.size()), keyNumber};
  if (const uint32_t status = WriteEntry(session, *place, entry); status != 0) {
    return fail(status);
  }
  if (replacing && former.fileId != fileId && IsObjectFileId(former.fileId) &&
      !IsFixedFile(former.fileId)) {
    DeleteDeviceFile(session, former.fileId);
  }
  return kOk;
}

void RemoveCertificateDirectoryEntry(const DeviceSession& session, uint8_t keyNumber) {
  if (keyNumber == 0 || keyNumber == 0xFF) {
    return;
  }
  std::vector<DirectoryEntry> entries;
  if (ReadDirectory(session, entries) != 0) {
    return;
  }
  for (size_t n = 0; n < entries.size(); ++n) {
    if (entries[n].keyNumber != keyNumber) {
      continue;
    }
    if (WriteEntry(session, n, kRemovedDirectoryEntry) == 0 && IsObjectFileId(entries[n].fileId) &&
        !IsFixedFile(entries[n].fileId)) {
      DeleteDeviceFile(session, entries[n].fileId);
    }
    return;
  }
}

}  // namespace kq::store
