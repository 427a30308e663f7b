// kqsim check: whether the provider's store on a key hangs together, so that nothing a failed
// operation left behind goes unnoticed: every index slot names an existing object file of its
// class and length, every container's references name indexed objects, every certificate
// directory entry names an existing file, and every other file is named by something.

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "kqsim/commands.h"
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
    for (const store::ContainerInfo& container : containers_) {
      for (const uint16_t reference : container.refs) {
        if (store::IsReferenceSet(reference) && !indexed_.contains(reference)) {
          Problem("container file %04X refers to file %04X, which no index lists", container.fileId,
                  reference);
        }
      }
    }
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
      store::ContainerInfo container;
      if (slot.objectClass == store::kClassContainer &&
          store::ReadContainerObject(attributes, container) == store::ContainerShape::kContainer) {
        container.fileId = slot.fileId;
        containers_.push_back(container);
      }
    }
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
