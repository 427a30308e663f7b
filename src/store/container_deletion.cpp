#include "store/container_deletion.h"

#include <vector>

#include "common/codes_store.h"
#include "store/attribute_types.h"
#include "store/containers.h"
#include "store/key_pair_deletion.h"
#include "store/object_file.h"

namespace kq::store {

uint32_t DeleteContainer(const DeviceSession& session, std::string_view name) {
  if (name.empty()) {
    return kBadArgument;
  }
  std::vector<ContainerInfo> containers;
  if (const uint32_t status = ListContainers(session, containers); status != 0) {
    return status;
  }
  const ContainerInfo* found = FindListedContainer(containers, name);
  if (found == nullptr) {
    return kContainerNotFound;
  }
  // Each pair goes whole or stays whole (key_pair_deletion.h); every failure is reported, so the
  // container is reported deleted only once it is gone.
  ContainerInfo container = *found;
  for (const KeyPairRefs* pair : {&kSignaturePair, &kExchangePair}) {
    if (const uint32_t status = DeleteOwnedKeyPair(session, container, *pair, kNoKeyNumber);
        status != 0) {
      return status;
    }
  }
  return DeleteObject(session, container.fileId, IndexKind::kObjects);
}

}  // namespace kq::store
