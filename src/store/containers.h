#pragma once
// Containers on the key: listing, finding, creating, deleting and updating their references.
// Every operation reads the index again; nothing is cached between calls.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_session.h"
#include "store/container_record.h"

namespace kq::store {

// Every container of the object index in slot order. Results: 0; the device status when the
// index or an object cannot be read (kShortRead when the key holds fewer bytes); the parser's
// result for an object that does not parse; kListingFailed for a container object without
// class, name or 12-byte reference list. Objects of another class are passed over.
uint32_t ListContainers(const DeviceSession& session, std::vector<ContainerInfo>& containers);

// The names only, in slot order; the results of ListContainers.
uint32_t ListContainerNames(const DeviceSession& session, std::vector<std::string>& names);

// The first listed container whose name has exactly these bytes; null when none has.
const ContainerInfo* FindListedContainer(const std::vector<ContainerInfo>& containers,
                                         std::string_view name);

// The first container whose name has exactly these bytes. kContainerNotFound; the parser's
// result; kAttributeMissing (class, name or reference list of 12 bytes); kWrongClass;
// kDeviceFailed when the index or an object cannot be read.
uint32_t FindContainer(const DeviceSession& session, std::string_view name, ContainerInfo& info);

// Writes a new container with no references into the first free slot. kBadArgument (no name);
// ListContainers' results; kContainerExists; kTemplateDefaultsFailed; kTemplateSetFailed;
// kSerialiseFailed; kShortRead; kNoFreeSlot; then the results of writing an object file.
uint32_t CreateContainer(const DeviceSession& session, std::string_view name);

// Replaces the references whose mask bit (1 << reference) is set; the file keeps its size.
// kBadFileId; kSizeMismatch (no length, or the object would change size); kObjectUnreadable;
// kObjectUnparsable; kAttributeMissing; kWrongClass; kReferencesMissing; kWrongAttributeLength;
// kSerialiseFailed; kWriteFailed.
uint32_t SetContainerRefs(const DeviceSession& session, uint16_t containerFileId,
                          const ContainerRefs& refs, uint32_t mask);

// Clears one reference (sets it to 0xFFFF).
uint32_t ClearContainerRef(const DeviceSession& session, uint16_t containerFileId,
                           ContainerRef ref);

}  // namespace kq::store
