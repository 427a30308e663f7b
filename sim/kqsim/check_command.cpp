// kqsim check: whether the provider's store on a key hangs together, so that nothing a failed
// operation left behind goes unnoticed: every index slot names an existing object file of its
// class and length, every container's references name indexed objects, every certificate
// directory entry names an existing file, and every other file is named by something. It also
// sees what a later operation would trip over: two containers naming one file, and a public key
// object whose slot holds another key pair than the one it describes, and two containers naming
// one slot. A key pair that no key object names, and a key object naming an empty slot, are noted
// without counting as problems (the repair keeps them).

#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "kqsim/commands.h"
#include "softkey/key_pair.h"
#include "softkey/soft_key.h"
#include "store/attribute_template.h"
#include "store/attribute_types.h"
#include "store/certificate_directory_entry.h"
#include "store/container_record.h"
#include "store/index_slot.h"

namespace kq::sim {

namespace {

class StoreCheck {
 public:
  explicit StoreCheck(const SoftKey& key) : key_(key) {}

  void Run() {
    CheckIndex(kObjectIndexFile);
    CheckIndex(kPrivateIndexFile);
    std::map<uint16_t, uint32_t> namedBy;
    for (const store::ContainerInfo& container : containers_) {
      for (const uint16_t reference : container.refs) {
        if (store::IsReferenceSet(reference) && !indexed_.contains(reference)) {
          Problem("container file %04X refers to file %04X, which no index lists", container.fileId,
                  reference);
        }
        if (!store::IsReferenceSet(reference)) {
          continue;
        }
        const auto [named, first] = namedBy.emplace(reference, container.fileId);
        if (!first && named->second != container.fileId) {
          Problem("file %04X is named by containers %04X and %04X", reference, named->second,
                  container.fileId);
        }
      }
    }
    CheckKeyPairs(namedBy);
    CheckDirectory();
    for (const KeyFileInfo& file : key_.ListFiles()) {
      const bool fixed = file.id >= kCertificateDirectoryFile && file.id <= kLabelFile;
      if (!fixed && !indexed_.contains(file.id) && !directed_.contains(file.id)) {
        Problem("file %04X (%u bytes) is named by nothing", file.id, file.size);
      }
    }
  }

  [[nodiscard]] size_t problems() const { return problems_; }

 private:
  template <typename... Values>
  void Problem(const char* format, Values... values) {
    std::printf(format, values...);
    std::printf("\n");
    ++problems_;
  }

  void CheckIndex(uint32_t indexFile) {
    const auto index = key_.ReadFile(indexFile);
    if (!index) {
      Problem("index file %04X is missing", indexFile);
      return;
    }
    const std::vector<store::IndexSlot> slots = store::ParseIndexSlots(*index);
    for (size_t n = 0; n < slots.size(); ++n) {
      const store::IndexSlot& slot = slots[n];
      if (slot.isFree()) {
        continue;
      }
      if (!indexed_.insert(slot.fileId).second) {
        Problem("index %04X slot %zu names file %04X a second time", indexFile, n, slot.fileId);
      }
      const auto object = key_.ReadFile(slot.fileId);
      if (!object) {
        Problem("index %04X slot %zu names file %04X, which does not exist", indexFile, n,
                slot.fileId);
        continue;
      }
      if (object->size() != slot.length) {
        Problem("index %04X slot %zu: file %04X holds %zu bytes, the slot says %u", indexFile, n,
                slot.fileId, object->size(), slot.length);
      }
      store::AttributeTemplate attributes;
      if (attributes.Parse(*object) != 0) {
        Problem("index %04X slot %zu: file %04X is not an object", indexFile, n, slot.fileId);
        continue;
      }
      if (attributes.Number(store::attr::kClass) != slot.objectClass) {
        Problem("index %04X slot %zu: file %04X is not of the slot's class 0x%X", indexFile, n,
                slot.fileId, slot.objectClass);
      }
      NoteKeyObject(slot.fileId, attributes);
      store::ContainerInfo container;
      if (slot.objectClass == store::kClassContainer &&
          store::ReadContainerObject(attributes, container) == store::ContainerShape::kContainer) {
        container.fileId = slot.fileId;
        containers_.push_back(container);
      }
    }
  }

  // Every public key object's slot holds the key pair it describes, and every key pair in a slot
  // is named by a key object.
  void CheckKeyPairs(const std::map<uint16_t, uint32_t>& namedBy) {
    for (uint32_t slot = kFirstSlot; slot <= kLastSlot; ++slot) {
      const std::optional<KeyPair> pair = key_.LoadKeyPair(slot);
      const auto objects = keyObjects_.find(slot);
      if (pair && objects == keyObjects_.end()) {
        // A note, not a problem: an enrolment cut short after the key made the pair leaves it,
        // and the pair may be the customer's; the repair reports it and keeps it.
        std::printf("note: key slot %u holds a key pair that no key object names\n", slot);
      }
      if (objects == keyObjects_.end()) {
        continue;
      }
      std::set<uint32_t> owners;  // the containers that name a key object of the slot
      for (const auto& [fileId, described] : objects->second) {
        if (pair && !described.empty() && described != PublicKeyOf(*pair)) {
          Problem("public key object file %04X names key slot %u, which holds another key pair%s",
                  fileId, slot, namedBy.contains(fileId) ? " (a container names the object)" : "");
        }
        if (!pair) {
          // A note, as the repair keeps such an object while a container names it; it signs
          // with nothing until a key pair is generated into its slot.
          std::printf("note: key object file %04X names key slot %u, which is empty\n", fileId,
                      slot);
        }
        if (const auto owner = namedBy.find(fileId); owner != namedBy.end()) {
          owners.insert(owner->second);
        }
      }
      if (owners.size() > 1) {
        Problem("key slot %u is named by %zu containers", slot, owners.size());
      }
    }
  }

  // What a public key object states of its key: the RSA modulus, or the SM2 point X || Y.
  static std::vector<uint8_t> PublicKeyOf(const KeyPair& pair) {
    std::vector<uint8_t> key = pair.PublicFirst();
    if (pair.algorithm() == KeyAlgorithm::kSm2) {
      const std::vector<uint8_t> y = pair.PublicSecond();
      key.insert(key.end(), y.begin(), y.end());
    }
    return key;
  }

  void NoteKeyObject(uint16_t fileId, const store::AttributeTemplate& object) {
    const std::optional<uint32_t> objectClass = object.Number(store::attr::kClass);
    const std::vector<uint8_t>* number = object.Bytes(store::attr::kKeyNumber);
    if (objectClass != store::kClassPublicKey && objectClass != store::kClassPrivateKey) {
      return;
    }
    if (number == nullptr || number->size() != 1) {
      return;
    }
    std::vector<uint8_t> described;  // empty for a private key object: it names the slot only
    if (objectClass == store::kClassPublicKey) {
      for (const uint32_t type : {store::attr::kModulus, store::attr::kEcPoint}) {
        if (const std::vector<uint8_t>* value = object.Bytes(type)) {
          described = *value;
        }
      }
    }
    keyObjects_[(*number)[0]].emplace_back(fileId, described);
  }

  void CheckDirectory() {
    const auto directory = key_.ReadFile(kCertificateDirectoryFile);
    if (!directory) {
      return;  // a key with no certificate yet has none
    }
    const auto entries = store::ParseCertificateDirectory(*directory);
    if (!entries) {
      Problem("the certificate directory holds %zu bytes, not %zu", directory->size(),
              store::kCertificateDirectorySize);
      return;
    }
    for (size_t n = 0; n < entries->size(); ++n) {
      const store::DirectoryEntry& entry = (*entries)[n];
      if (entry.isFree()) {
        continue;
      }
      directed_.insert(entry.fileId);
      if (!key_.FindFile(entry.fileId)) {
        Problem("certificate directory entry %zu names file %04X, which does not exist", n,
                entry.fileId);
      }
    }
  }

  const SoftKey& key_;
  std::set<uint32_t> indexed_;
  std::set<uint32_t> directed_;
  std::vector<store::ContainerInfo> containers_;
  // Key objects by the key number they name: file id and the public key they describe.
  std::map<uint32_t, std::vector<std::pair<uint16_t, std::vector<uint8_t>>>> keyObjects_;
  size_t problems_ = 0;
};

}  // namespace

int CheckCommand(const CommandContext& context) {
  return InspectNamedKey(context, "check KEY", [](const SoftKey& key) {
    StoreCheck check(key);
    check.Run();
    if (check.problems() != 0) {
      std::printf("%zu problems\n", check.problems());
      return 1;
    }
    std::printf("consistent\n");
    return 0;
  });
}

}  // namespace kq::sim
