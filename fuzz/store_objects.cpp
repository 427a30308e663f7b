// The attribute codec and the index slots: object files and index files as the key returns them.
#include <cstddef>
#include <cstdint>
#include <span>

#include "store/attribute_template.h"
#include "store/container_record.h"
#include "store/index_slot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  kq::store::AttributeTemplate object;
  if (object.Parse(bytes) == 0) {
    kq::store::ContainerInfo info;
    (void)kq::store::ReadContainerObject(object, info);
    std::vector<uint8_t> again;
    (void)object.Serialise(again);
  }
  (void)kq::store::ParseIndexSlots(bytes);
  (void)kq::store::FirstFreeSlot(bytes);
  (void)kq::store::FindSlotByFileId(bytes, size > 0 ? data[0] : 1);
  (void)kq::store::ListCertificateSlots(bytes);
  return 0;
}
