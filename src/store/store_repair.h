#pragma once
// The repair of what an interrupted store change leaves on a key. The key has no transactions, so
// a change cut short (a failing call, a pulled key, a killed process) can leave:
//   - an index slot naming a file that is gone            -> the slot is released;
//   - an object file that no slot, entry or container names -> the file is deleted;
//   - a container reference to an object file that is gone -> the reference is cleared;
//   - a container reference to a file no index lists       -> the file is entered in its index
//     (a container still uses it, so it is never deleted);
//   - a certificate directory entry whose file is gone     -> the entry is removed;
//   - a key object whose key-pair slot is empty or holds another key pair than its public key
//     object describes (the ownership check of a deletion): deleted when no container names it
//     (a deletion cut short after the key pair went leaves one), else reported only;
//   - a key pair that no container's key objects use: reported only, since a key pair is the
//     customer's and its removal needs the key's confirmation.
// The key cannot list its files, so files are found by asking the length of every candidate
// file id from 1 to a bound (RepairScanBound). The caller holds the key (a DeviceSession holds its
// lock from open to close), so no other process changes the store between the survey and the
// repair. Each repair is one write or one deletion that leaves a state the next survey finds
// again, so a repair cut short at any call is finished by the next one.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/device_session.h"

namespace kq::store {

enum class FindingKind {
  kSlotNamesMissingFile,
  kUnnamedFile,
  kReferenceToMissingFile,
  kReferenceToUnindexedFile,
  kDirectoryEntryWithoutFile,
  kKeyObjectWithoutKeyPair,
  kUnusedKeyPair,
  kDamagedIndex,     // where: the index; place: its first bad slot, or its size when that is wrong
  kUnindexedObject,  // an object file named by nothing while an index is damaged: entered again
};

struct RepairFinding {
  FindingKind kind;
  uint32_t fileId = 0;  // the file concerned (for a key pair: 0)
  uint32_t where = 0;   // the index file, the container file, the key number or 0xD000
  uint32_t place = 0;   // the slot, reference or entry number
  uint32_t objectClass = 0;
  bool reportOnly = false;
  bool done = false;    // the repair was made
  uint32_t status = 0;  // the result of making it (0 when made)
};

struct RepairSurvey {
  uint32_t scanBound = 0;              // file ids 1..scanBound were asked
  std::map<uint32_t, uint32_t> files;  // the files found: id -> length
  std::vector<RepairFinding> findings;
};

// The default bound of the file-id scan. The key gives a new file the lowest free id, so no id
// exceeds the largest number of files the key ever held at once: the store names at most 70 (40
// object-index slots, 20 private-index slots, 10 directory entries); 64 more allow for files
// left over or in flight. An id named anywhere raises the bound to that id plus 64.
inline constexpr uint32_t kNamedFilesAtMost = 70;
inline constexpr uint32_t kScanMargin = 64;
uint32_t RepairScanBound(uint32_t highestNamedId);

// Surveys the store on the open session (scanning ids up to `scanBound`, 0 for the default) and
// fills `survey`. 0, or the device's status when an index cannot be read.
uint32_t SurveyStore(const DeviceSession& session, uint32_t scanBound, RepairSurvey& survey);

// Makes every repair the survey found that is not report-only, in an order where each step leaves
// a store the next survey still repairs. Needs the verified PIN. 0 when every repair was made,
// else the first failing repair's status (the others are still tried).
uint32_t RepairStore(const DeviceSession& session, RepairSurvey& survey);

// The finding's and its repair's names for reports ("slot-names-missing-file", "release-slot").
const char* FindingName(FindingKind kind);
const char* RepairName(FindingKind kind);

}  // namespace kq::store
