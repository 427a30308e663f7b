#include "common/codes_store.h"

#include "common/code_tables.h"

namespace kq::detail {

namespace {
using namespace kq::store;

// The on-device store's codes (0xF00F00xx) and the object parser's results.
constexpr CodeInfo kStore[] = {
    {kListingFailed, "STORE_LISTING_FAILED",
     "a container object lacks class, name or reference list, or a key slot was unreadable"},
    {kParseNoMemory, "STORE_PARSE_NO_MEMORY", "memory ran out while parsing an object"},
    {kParseRepeated, "STORE_PARSE_REPEATED", "an attribute type occurs twice in an object"},
    {kParseMalformed, "STORE_PARSE_MALFORMED",
     "an object is empty, truncated or holds a number of the wrong length"},
    {kBadArgument, "STORE_BAD_ARGUMENT",
     "an argument is missing or empty, or a length is out of range"},
    {kDeviceFailed, "STORE_DEVICE_FAILED",
     "a device library call failed, or the certificate was refused"},
    {kContainerNotFound, "STORE_CONTAINER_NOT_FOUND", "no container of that name on the key"},
    {kContainerExists, "STORE_CONTAINER_EXISTS", "a container of that name already exists"},
    {kObjectTooLarge, "STORE_OBJECT_TOO_LARGE", "the object is larger than the key accepts"},
    {kNoFreeSlot, "STORE_NO_FREE_SLOT", "the object index has no free slot"},
    {kIndexUnreadable, "STORE_INDEX_UNREADABLE", "the index could not be read while deleting"},
    {kSlotOutOfRange, "STORE_SLOT_OUT_OF_RANGE", "the slot number lies beyond the index"},
    {kWrongClass, "STORE_WRONG_CLASS", "the object is of the wrong class"},
    {kWrongAttributeLength, "STORE_WRONG_ATTRIBUTE_LENGTH", "an attribute has the wrong length"},
    {kAttributeMissing, "STORE_ATTRIBUTE_MISSING", "a required attribute is missing"},
    {kReferencesMissing, "STORE_REFERENCES_MISSING", "the container has no reference list"},
    {kBadFileId, "STORE_BAD_FILE_ID", "the file id is 0 or 0xFFFF"},
    {kBadKeyNumber, "STORE_BAD_KEY_NUMBER", "the key number lies outside 1 to 5"},
    {kSerialiseFailed, "STORE_SERIALISE_FAILED",
     "the object could not be serialised, or a key object could not be read"},
    {kObjectUnreadable, "STORE_OBJECT_UNREADABLE", "the object file could not be read"},
    {kShortRead, "STORE_SHORT_READ", "fewer bytes were read than asked"},
    {kWriteFailed, "STORE_WRITE_FAILED", "writing the object or its slot failed"},
    {kShortSlotWrite, "STORE_SHORT_SLOT_WRITE", "fewer slot bytes were written than asked"},
    {kNotInIndex, "STORE_NOT_IN_INDEX", "the file id is not in the index"},
    {kDeleteFailed, "STORE_DELETE_FAILED", "deleting the file failed"},
    {kObjectUnparsable, "STORE_OBJECT_UNPARSABLE", "the object file is empty or not parsable"},
    {kSizeMismatch, "STORE_SIZE_MISMATCH",
     "the object's size changed, or the modulus is not 128 or 256 bytes"},
    {kTemplateDefaultsFailed, "STORE_TEMPLATE_DEFAULTS_FAILED",
     "the template defaults could not be loaded"},
    {kTemplateSetFailed, "STORE_TEMPLATE_SET_FAILED", "a template attribute could not be set"},
    {kCreateFailed, "STORE_CREATE_FAILED", "the file could not be created"},
    {kCertificateKeyMismatch, "STORE_CERTIFICATE_KEY_MISMATCH",
     "the certificate's public key differs from the container's key"},
    {kCertificateKeyUnreadable, "STORE_CERTIFICATE_KEY_UNREADABLE",
     "the certificate's public key cannot be read"},
    {kDirectoryWrongLength, "STORE_DIRECTORY_WRONG_LENGTH",
     "the certificate directory is not 70 bytes long"},
};
}  // namespace

std::span<const CodeInfo> StoreCodes() {
  return kStore;
}

}  // namespace kq::detail
