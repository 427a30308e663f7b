#pragma once
// The certificates kept on a key as the tool exports look at them: each container's two key
// pairs, the exchange key first, with their certificates' DER and subject text.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/device_session.h"
#include "store/container_record.h"
#include "store/index_slot.h"

namespace kq::tools {

// The subject text of a DER certificate as the platform renders it (code page 936); empty when
// the bytes do not decode or the subject does not render.
[[nodiscard]] std::optional<std::string> SubjectOf(std::span<const uint8_t> der);

struct KeyCertificate {
  std::vector<uint8_t> der;
  std::string subject;
};

// Reads the certificate object in fileId and renders its subject; empty when either fails.
[[nodiscard]] std::optional<KeyCertificate> ReadKeyCertificate(const DeviceSession& session,
                                                               uint16_t fileId);

// The object index read whole (its length first); empty when either read fails or it is empty.
[[nodiscard]] std::optional<std::vector<store::IndexSlot>> ReadObjectIndexSlots(
    const DeviceSession& session);

// The container in an index slot; empty when the slot names no container object, or the object
// cannot be read or is not a well-formed container.
[[nodiscard]] std::optional<store::ContainerInfo> ReadContainerAt(const DeviceSession& session,
                                                                  const store::IndexSlot& slot);

// The containers of the index in slot order; objects that cannot be read or are not well-formed
// containers are passed over.
[[nodiscard]] std::vector<store::ContainerInfo> ReadableContainers(
    const DeviceSession& session, const std::vector<store::IndexSlot>& slots);

// The exchange pair, then the signature pair: the order in which certificates are looked at.
inline constexpr store::KeyPairRefs kPairsInListingOrder[] = {store::kExchangePair,
                                                              store::kSignaturePair};

}  // namespace kq::tools
