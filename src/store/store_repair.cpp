#include "store/store_repair.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <span>

#include "common/codes_device.h"
#include "common/codes_store.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/certificate_directory_entry.h"
#include "store/container_record.h"
#include "store/containers.h"
#include "store/device_files.h"
#include "store/device_keys.h"
#include "store/index_slot.h"
#include "store/key_ownership.h"
#include "store/object_file.h"

namespace kq::store {

namespace {

// The store's fixed files (directory, both indexes, label) are never candidates.
constexpr uint32_t kFirstFixedFile = 0xD000;
constexpr uint32_t kLastFixedFile = 0xD003;
constexpr uint32_t kLastFileId = 0xFFFE;

struct IndexedObject {
  IndexKind kind;
  size_t slot;
  IndexSlot entry;
  std::optional<AttributeTemplate> object;  // when it could be read and parsed
};

std::optional<uint8_t> KeyNumberOf(const AttributeTemplate& object) {
  const std::vector<uint8_t>* value = object.Bytes(attr::kKeyNumber);
  if (value == nullptr || value->size() != 1 || !IsKeyNumber((*value)[0])) {
    return std::nullopt;
  }
  return (*value)[0];
}

bool IsKeyObjectClass(std::optional<uint32_t> objectClass) {
  return objectClass == kClassPublicKey || objectClass == kClassPrivateKey;
}

bool IsStoreObjectClass(std::optional<uint32_t> objectClass) {
  return IsKeyObjectClass(objectClass) || objectClass == kClassContainer ||
         objectClass == kClassCertificate;
}

// The first slot that is neither an entry naming an object nor the released pattern the store
// writes, or the index's size when it is not the size the store writes.
std::optional<size_t> FirstDamagedSlot(IndexKind kind, std::span<const uint8_t> bytes,
                                       const std::vector<IndexSlot>& slots) {
  if (bytes.size() != IndexFileOf(kind).size()) {
    return bytes.size();
  }
  for (size_t n = 0; n < slots.size(); ++n) {
    if (slots[n].isFree() ? slots[n] != kReleasedSlot : !slots[n].namesObject()) {
      return n;
    }
  }
  return std::nullopt;
}

class Survey {
 public:
  Survey(const DeviceSession& session, RepairSurvey& out) : session_(session), out_(out) {}

  uint32_t Run(uint32_t scanBound) {
    for (const IndexKind kind : {IndexKind::kObjects, IndexKind::kPrivateObjects}) {
      if (const uint32_t status = ReadSlots(kind); status != 0) {
        return status;
      }
    }
    if (const uint32_t status = ReadDirectory(); status != 0) {
      return status;
    }
    // A bound given below a named id would make a named file look missing.
    out_.scanBound = scanBound != 0 ? std::min(std::max(scanBound, highest_), kLastFileId)
                                    : RepairScanBound(highest_);
    for (uint32_t id = 1; id <= out_.scanBound; ++id) {
      if (id < kFirstFixedFile || id > kLastFixedFile) {
        if (const uint32_t status = Ask(id); status != 0) {
          return status;
        }
      }
    }
    if (const uint32_t status = ReadObjects(); status != 0) {
      return status;
    }
    ReadContainers();
    for (const uint32_t ref : referenced_) {
      if (ref > out_.scanBound) {
        if (const uint32_t status = Ask(ref); status != 0) {
          return status;
        }
      }
    }
    FindMissing();
    FindUnnamed();
    return FindKeyPairs();
  }

 private:
  void Name(uint32_t id) { highest_ = std::max(highest_, id); }
  bool Exists(uint32_t id) const { return out_.files.contains(id); }
  void Add(RepairFinding finding) { out_.findings.push_back(finding); }

  // Whether the file exists. Only the key's "file not found" means absent: any other failure ends
  // the survey, since a file taken for missing would have its slot released.
  uint32_t Ask(uint32_t id) {
    uint32_t length = 0;
    const uint32_t status = FileLength(session_, id, length);
    if (status == 0) {
      out_.files[id] = length;
      return 0;
    }
    return dev::StatusWord(status) == dev::kSwFileNotFound ? 0 : status;
  }

  uint32_t ReadSlots(IndexKind kind) {
    std::vector<uint8_t> bytes;
    if (const uint32_t status = ReadIndex(session_, kind, bytes); status != 0) {
      return status;
    }
    const std::vector<IndexSlot> slots = ParseIndexSlots(bytes);
    // A damaged index may have lost entries: what it no longer names is not deleted.
    if (const std::optional<size_t> bad = FirstDamagedSlot(kind, bytes, slots)) {
      Add({FindingKind::kDamagedIndex, 0, IndexFileOf(kind).fileId, static_cast<uint32_t>(*bad), 0,
           true});
      indexDamaged_ = true;
      indexMissized_ = indexMissized_ || *bad == bytes.size();
      uncertain_ = true;
    }
    for (size_t n = 0; n < slots.size(); ++n) {
      if (!slots[n].isFree()) {
        indexedIds_.insert(slots[n].fileId);
        Name(slots[n].fileId);
        indexed_.push_back({kind, n, slots[n], std::nullopt});
      }
    }
    return 0;
  }

  // The objects of the slots whose files exist. An object that cannot be read for a failure of
  // the key ends the survey; one that does not parse leaves its references unknown, so no file is
  // then deleted as unnamed.
  uint32_t ReadObjects() {
    for (IndexedObject& indexed : indexed_) {
      if (!Exists(indexed.entry.fileId)) {
        continue;
      }
      AttributeTemplate object;
      const uint32_t status =
          ReadObject(session_, indexed.entry.fileId, indexed.entry.length, object);
      if (status == 0) {
        indexed.object = std::move(object);
      } else if (status == kObjectUnparsable || status == kShortRead || status == kBadArgument) {
        uncertain_ = true;
      } else {
        return status;
      }
    }
    return 0;
  }

  uint32_t ReadDirectory() {
    std::vector<uint8_t> bytes;
    uint32_t length = 0;
    const uint32_t asked = FileLength(session_, kCertificateDirectoryFile, length);
    if (dev::StatusWord(asked) == dev::kSwFileNotFound) {
      return 0;  // a key without certificates has no directory
    }
    if (asked != 0) {
      return asked;
    }
    if (const uint32_t status = ReadWholeFile(session_, kCertificateDirectoryFile, bytes);
        status != 0) {
      return status;
    }
    if (auto entries = ParseCertificateDirectory(bytes)) {
      directory_ = std::move(*entries);
    } else {
      uncertain_ = true;
    }
    for (const DirectoryEntry& entry : directory_) {
      if (!entry.isFree()) {
        directed_.insert(entry.fileId);
        Name(entry.fileId);
      }
    }
    return 0;
  }

  void ReadContainers() {
    for (const IndexedObject& indexed : indexed_) {
      if (!indexed.object || indexed.entry.objectClass != kClassContainer) {
        continue;
      }
      ContainerInfo info;
      if (ReadContainerObject(*indexed.object, info) != ContainerShape::kContainer) {
        uncertain_ = true;
        continue;
      }
      info.fileId = indexed.entry.fileId;
      for (const uint16_t ref : info.refs) {
        if (IsReferenceSet(ref)) {
          referenced_.insert(ref);
        }
      }
      containers_.push_back(info);
    }
  }

  void FindMissing() {
    for (const IndexedObject& indexed : indexed_) {
      if (!Exists(indexed.entry.fileId)) {
        Add({FindingKind::kSlotNamesMissingFile, indexed.entry.fileId,
             IndexFileOf(indexed.kind).fileId, static_cast<uint32_t>(indexed.slot),
             indexed.entry.objectClass});
      }
    }
    for (size_t n = 0; n < directory_.size(); ++n) {
      if (!directory_[n].isFree() && !Exists(directory_[n].fileId)) {
        Add({FindingKind::kDirectoryEntryWithoutFile, directory_[n].fileId,
             kCertificateDirectoryFile, static_cast<uint32_t>(n)});
      }
    }
    for (const ContainerInfo& container : containers_) {
      for (size_t r = 0; r < kContainerRefCount; ++r) {
        const uint16_t ref = container.refs[r];
        if (!IsReferenceSet(ref) || (Exists(ref) && indexedIds_.contains(ref))) {
          continue;
        }
        RepairFinding finding{Exists(ref) ? FindingKind::kReferenceToUnindexedFile
                                          : FindingKind::kReferenceToMissingFile,
                              ref, container.fileId, static_cast<uint32_t>(r)};
        if (finding.kind == FindingKind::kReferenceToUnindexedFile) {
          // Entered in its index under the class it carries; one that cannot be read is left.
          AttributeTemplate object;
          const std::optional<uint32_t> objectClass =
              ReadObject(session_, ref, out_.files[ref], object) == 0 ? object.Number(attr::kClass)
                                                                      : std::nullopt;
          finding.objectClass = objectClass.value_or(0);
          finding.reportOnly = !objectClass;
          if (objectClass && IsKeyObjectClass(objectClass)) {
            keyObjects_.push_back({ref, KeyNumberOf(object), *objectClass, PublicKeyOf(object)});
          }
        }
        Add(finding);
      }
    }
  }

  // With an index damaged, a file that reads as an object of the store is one it lost: entered
  // in its index again, never deleted.
  void FindUnnamed() {
    for (const auto& [id, length] : out_.files) {
      if (indexedIds_.contains(id) || directed_.contains(id) || referenced_.contains(id)) {
        continue;
      }
      AttributeTemplate object;
      const std::optional<uint32_t> objectClass =
          indexDamaged_ && ReadObject(session_, id, length, object) == 0
              ? object.Number(attr::kClass)
              : std::nullopt;
      if (IsStoreObjectClass(objectClass)) {
        // An index of a size the store never writes is not written to either.
        Add({FindingKind::kUnindexedObject, id, 0, length, *objectClass, indexMissized_});
      } else {
        Add({FindingKind::kUnnamedFile, id, 0, length, 0, uncertain_});
      }
    }
  }

  uint32_t FindKeyPairs() {
    for (const IndexedObject& indexed : indexed_) {
      if (indexed.object && IsKeyObjectClass(indexed.entry.objectClass)) {
        keyObjects_.push_back({indexed.entry.fileId, KeyNumberOf(*indexed.object),
                               indexed.entry.objectClass, PublicKeyOf(*indexed.object)});
      }
    }
    for (uint8_t k = kFirstKeyNumber; k <= kLastKeyNumber; ++k) {
      std::optional<DevicePublicKey> slotKey;
      if (const uint32_t status = ReadSlotKey(session_, k, slotKey); status != 0) {
        return status;
      }
      // The ownership check of a deletion: a public key object whose slot now holds another key
      // pair has lost its own; the pair in the slot is another's, used only by objects that
      // describe it.
      bool used = false;
      for (const KeyObject& key : keyObjects_) {
        if (key.number != k) {
          continue;
        }
        const bool describesSlot = slotKey && (!key.publicKey || !StatesKey(*key.publicKey) ||
                                               IsKeyOfObject(*slotKey, *key.publicKey));
        if (!describesSlot) {
          // Deleted only when no container names it: its own key pair is gone, and a later
          // operation must not take it for the key pair now in the slot.
          Add({FindingKind::kKeyObjectWithoutKeyPair, key.fileId, k, 0, key.objectClass,
               referenced_.contains(key.fileId) || uncertain_});
        }
        used = used || (describesSlot && referenced_.contains(key.fileId));
      }
      if (slotKey && !used) {
        Add({FindingKind::kUnusedKeyPair, 0, k, 0, 0, true});
      }
    }
    return 0;
  }

  struct KeyObject {
    uint32_t fileId;
    std::optional<uint8_t> number;
    uint32_t objectClass;
    std::optional<AttributeTemplate> publicKey;  // a public key object, to compare with its slot
  };

  static std::optional<AttributeTemplate> PublicKeyOf(const AttributeTemplate& object) {
    return object.Number(attr::kClass) == kClassPublicKey ? std::optional(object) : std::nullopt;
  }

  const DeviceSession& session_;
  RepairSurvey& out_;
  std::vector<IndexedObject> indexed_;
  std::vector<DirectoryEntry> directory_;
  std::vector<ContainerInfo> containers_;
  std::vector<KeyObject> keyObjects_;
  std::set<uint32_t> indexedIds_;
  std::set<uint32_t> directed_;
  std::set<uint32_t> referenced_;
  uint32_t highest_ = 0;
  bool uncertain_ = false;  // some object or index could not be parsed: references are unknown
  bool indexDamaged_ = false;
  bool indexMissized_ = false;
};

uint32_t EnterInIndex(const DeviceSession& session, const RepairFinding& finding, uint32_t length) {
  const IndexKind kind =
      finding.objectClass == kClassPrivateKey ? IndexKind::kPrivateObjects : IndexKind::kObjects;
  std::vector<uint8_t> bytes;
  if (const uint32_t status = ReadIndex(session, kind, bytes); status != 0) {
    return status;
  }
  const std::optional<size_t> slot = FirstFreeSlot(bytes);
  if (!slot) {
    return kNoFreeSlot;
  }
  return WriteIndexSlot(session, kind, *slot,
                        {finding.objectClass, length, static_cast<uint16_t>(finding.fileId)});
}

uint32_t RemoveDirectoryEntry(const DeviceSession& session, uint32_t entry) {
  const auto removed = EncodeDirectoryEntry(kRemovedDirectoryEntry);
  uint32_t written = 0;
  const uint32_t status =
      WriteFileAt(session, kCertificateDirectoryFile,
                  entry * static_cast<uint32_t>(kDirectoryEntrySize), removed, written);
  return status != 0 ? status : (written == removed.size() ? 0 : kWriteFailed);
}

uint32_t MakeRepair(const DeviceSession& session, const RepairSurvey& survey,
                    const RepairFinding& finding) {
  switch (finding.kind) {
    case FindingKind::kReferenceToUnindexedFile:
    case FindingKind::kUnindexedObject:
      return EnterInIndex(session, finding, survey.files.at(finding.fileId));
    case FindingKind::kReferenceToMissingFile:
      return ClearContainerRef(session, static_cast<uint16_t>(finding.where),
                               static_cast<ContainerRef>(finding.place));
    case FindingKind::kSlotNamesMissingFile:
      return WriteIndexSlot(session,
                            finding.where == kPrivateObjectIndex.fileId ? IndexKind::kPrivateObjects
                                                                        : IndexKind::kObjects,
                            finding.place, kReleasedSlot);
    case FindingKind::kDirectoryEntryWithoutFile:
      return RemoveDirectoryEntry(session, finding.place);
    case FindingKind::kUnnamedFile:
      return DeleteDeviceFile(session, finding.fileId);
    case FindingKind::kKeyObjectWithoutKeyPair:
      return DeleteObject(session, finding.fileId,
                          finding.objectClass == kClassPrivateKey ? IndexKind::kPrivateObjects
                                                                  : IndexKind::kObjects);
    case FindingKind::kUnusedKeyPair:
    case FindingKind::kDamagedIndex:
      break;
  }
  return 0;
}

}  // namespace

uint32_t RepairScanBound(uint32_t highestNamedId) {
  return std::min(std::max(kNamedFilesAtMost, highestNamedId) + kScanMargin, kLastFileId);
}

uint32_t SurveyStore(const DeviceSession& session, uint32_t scanBound, RepairSurvey& survey) {
  survey = {};
  return Survey(session, survey).Run(scanBound);
}

uint32_t RepairStore(const DeviceSession& session, RepairSurvey& survey) {
  // Slots naming missing files first (they free room in a full index), then references (entering
  // a used file in its index, clearing one to a missing file), objects lost from a damaged index,
  // entries, key objects no container names whose key pair is gone (slot first, then file), then
  // unnamed files: every step leaves a store the next survey repairs.
  constexpr FindingKind kOrder[] = {FindingKind::kSlotNamesMissingFile,
                                    FindingKind::kReferenceToUnindexedFile,
                                    FindingKind::kReferenceToMissingFile,
                                    FindingKind::kUnindexedObject,
                                    FindingKind::kDirectoryEntryWithoutFile,
                                    FindingKind::kKeyObjectWithoutKeyPair,
                                    FindingKind::kUnnamedFile};
  uint32_t first = 0;
  for (const FindingKind kind : kOrder) {
    for (RepairFinding& finding : survey.findings) {
      if (finding.kind != kind || finding.reportOnly) {
        continue;
      }
      finding.status = MakeRepair(session, survey, finding);
      finding.done = finding.status == 0;
      if (first == 0) {
        first = finding.status;
      }
    }
  }
  return first;
}

const char* FindingName(FindingKind kind) {
  switch (kind) {
    case FindingKind::kSlotNamesMissingFile:
      return "slot-names-missing-file";
    case FindingKind::kUnnamedFile:
      return "file-named-by-nothing";
    case FindingKind::kReferenceToMissingFile:
      return "reference-to-missing-file";
    case FindingKind::kReferenceToUnindexedFile:
      return "reference-to-unindexed-file";
    case FindingKind::kDirectoryEntryWithoutFile:
      return "directory-entry-without-file";
    case FindingKind::kKeyObjectWithoutKeyPair:
      return "key-object-without-key-pair";
    case FindingKind::kUnusedKeyPair:
      return "key-pair-used-by-no-container";
    case FindingKind::kDamagedIndex:
      return "index-damaged";
    case FindingKind::kUnindexedObject:
      return "object-lost-from-index";
  }
  return "";
}

const char* RepairName(FindingKind kind) {
  switch (kind) {
    case FindingKind::kSlotNamesMissingFile:
      return "release-slot";
    case FindingKind::kUnnamedFile:
      return "delete-file";
    case FindingKind::kReferenceToMissingFile:
      return "clear-reference";
    case FindingKind::kReferenceToUnindexedFile:
    case FindingKind::kUnindexedObject:
      return "enter-in-index";
    case FindingKind::kDirectoryEntryWithoutFile:
      return "remove-entry";
    case FindingKind::kKeyObjectWithoutKeyPair:
      return "delete-object";
    case FindingKind::kUnusedKeyPair:
    case FindingKind::kDamagedIndex:
      break;
  }
  return "report-only";
}

}  // namespace kq::store
