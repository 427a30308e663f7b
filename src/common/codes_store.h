#pragma once
// Results of the on-device store (containers, key objects and certificates in the key's files).
// The object parser has its own small results, which some listings pass on unchanged.

#include <cstdint>

namespace kq::store {

inline constexpr uint32_t kOk = 0;

inline constexpr uint32_t kBadArgument = 0xF00F0001;        // missing/empty argument, bad length
inline constexpr uint32_t kDeviceFailed = 0xF00F0002;       // device call failed; cert refused
inline constexpr uint32_t kContainerNotFound = 0xF00F0003;  // no container of that name
inline constexpr uint32_t kContainerExists = 0xF00F0004;    // a container of that name exists
inline constexpr uint32_t kObjectTooLarge = 0xF00F0005;     // larger than the key accepts
inline constexpr uint32_t kNoFreeSlot = 0xF00F0006;         // the index is full
inline constexpr uint32_t kIndexUnreadable = 0xF00F0007;    // index unreadable while deleting
inline constexpr uint32_t kSlotOutOfRange = 0xF00F0009;     // slot number beyond the index
inline constexpr uint32_t kWrongClass = 0xF00F000A;         // object of the wrong class
inline constexpr uint32_t kWrongAttributeLength = 0xF00F000B;
inline constexpr uint32_t kAttributeMissing = 0xF00F000C;
inline constexpr uint32_t kReferencesMissing = 0xF00F000D;  // container without reference list
inline constexpr uint32_t kBadFileId = 0xF00F000F;          // file id 0 or 0xFFFF
inline constexpr uint32_t kBadKeyNumber = 0xF00F0012;       // key number outside 1..5
inline constexpr uint32_t kSerialiseFailed = 0xF00F0013;    // also: key object unreadable
inline constexpr uint32_t kObjectUnreadable = 0xF00F0014;
inline constexpr uint32_t kShortRead = 0xF00F0015;
inline constexpr uint32_t kWriteFailed = 0xF00F0016;
inline constexpr uint32_t kShortSlotWrite = 0xF00F0017;
inline constexpr uint32_t kNotInIndex = 0xF00F0018;
inline constexpr uint32_t kDeleteFailed = 0xF00F0019;
inline constexpr uint32_t kObjectUnparsable = 0xF00F001A;  // empty or not parsable
inline constexpr uint32_t kSizeMismatch = 0xF00F001B;      // size changed; modulus not 128/256
inline constexpr uint32_t kTemplateDefaultsFailed = 0xF00F001C;
inline constexpr uint32_t kTemplateSetFailed = 0xF00F001D;
inline constexpr uint32_t kCreateFailed = 0xF00F001E;
inline constexpr uint32_t kCertificateKeyMismatch = 0xF00F001F;
inline constexpr uint32_t kCertificateKeyUnreadable = 0xF00F0020;
inline constexpr uint32_t kDirectoryWrongLength = 0xF00F0021;

// The object parser's results (not 0xF00F00xx: listings hand them on as they are).
inline constexpr uint32_t kParseNoMemory = 2;
inline constexpr uint32_t kParseRepeated = 5;   // an attribute type occurs twice
inline constexpr uint32_t kParseMalformed = 7;  // no bytes, a length past the end, a bad number
// A listing met a container object without class, name or 12-byte reference list, or a key
// slot that the key could not report.
inline constexpr uint32_t kListingFailed = 1;

}  // namespace kq::store
